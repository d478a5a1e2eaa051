# chimora_library(NAME PATTERN...) builds a static library from the files that match,
# or an interface library while a layer has no sources yet.
function(chimora_library name)
    file(GLOB sources CONFIGURE_DEPENDS ${ARGN})
    if(sources)
        add_library(${name} STATIC ${sources})
        set(${name}_KIND PUBLIC PARENT_SCOPE)
    else()
        add_library(${name} INTERFACE)
        set(${name}_KIND INTERFACE PARENT_SCOPE)
    endif()
endfunction()
