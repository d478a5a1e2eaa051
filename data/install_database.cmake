# Puts the freshly built database into the program folder unless one is there already:
# a db.dll in the program folder holds a school's schedule and is never replaced.
if(NOT EXISTS "${DEST}")
    file(COPY_FILE "${TEMPLATE}" "${DEST}")
endif()
