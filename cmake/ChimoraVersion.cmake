# The one version number of Chimora is project()'s. The program's log, its help dialog and
# `chimdb --version` take it from here, and so does the package (packaging/).
add_library(chimora_version INTERFACE)
target_compile_definitions(chimora_version INTERFACE CHIMORA_VERSION="${PROJECT_VERSION}")
# The day this version was released: the package's changelog, AppStream and man pages.
set(CHIMORA_RELEASE_DATE 2026-12-09)
