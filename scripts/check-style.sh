#!/usr/bin/env bash
# Checks the house rules that the compiler cannot: every tracked C++ file is formatted as
# the repository's .clang-format says, and no file reaches the table store's internals by
# spelling out its folders from the source root (the store's API is "chimdb/<name>.h").
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.h' '*.cpp' | xargs -0 clang-format --dry-run -Werror
if git grep -n -E '#include "chimdb/(src|include)/' -- '*.h' '*.cpp'; then
    echo "check-style: include the store's API as \"chimdb/<name>.h\"; chimdb/src/ is the store's own" >&2
    exit 1
fi
# A public header that includes an internal one would build inside the store and fail in
# every program that includes it.
if git grep -n -E '#include "' -- 'chimdb/include/*.h' | grep -v '#include "chimdb/'; then
    echo "check-style: a public header includes only public headers (\"chimdb/<name>.h\")" >&2
    exit 1
fi
