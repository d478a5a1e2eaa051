# Builds the installed database file from the checked-in schema and rows:
#   cmake -DTOOL=chimdb -DSCHEMA=schema.json -DDATA_DIR=data -DOUT=db.dll -P make_database.cmake
# The file is made under a temporary name and renamed when complete, so that a failed
# build never leaves half a database behind.
set(partial "${OUT}.partial")
file(REMOVE "${partial}")
execute_process(COMMAND "${TOOL}" create "${partial}" --schema "${SCHEMA}"
                RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "chimdb create failed: ${error}")
endif()
file(READ "${SCHEMA}" schema_text)
string(REGEX MATCH "\"password\"[ ]*:[ ]*\"([^\"]*)\"" unused "${schema_text}")
set(password "${CMAKE_MATCH_1}")
foreach(table Config FANGAN Ring1_7)
    execute_process(COMMAND "${TOOL}" insert "${partial}" --table ${table} --password "${password}"
                    INPUT_FILE "${DATA_DIR}/${table}.jsonl"
                    RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        file(REMOVE "${partial}")
        message(FATAL_ERROR "chimdb insert into ${table} failed: ${error}")
    endif()
endforeach()
file(RENAME "${partial}" "${OUT}")
