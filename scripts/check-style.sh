#!/usr/bin/env bash
# Checks the house rules that the compiler cannot: no file reaches the table store's
# internals by spelling out its folders from the source root (the store's API is
# "chimdb/<name>.h").
set -euo pipefail
cd "$(dirname "$0")/.."
if git grep -n -E '#include "chimdb/(src|include)/' -- '*.h' '*.cpp'; then
    echo "check-style: include the store's API as \"chimdb/<name>.h\"; chimdb/src/ is the store's own" >&2
    exit 1
fi
