# Every plug-in compiled for a Pd whose floats and samples are doubles
# (PD_FLOATSIZE=64), in a build folder of its own; run with cmake -P.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}
                        -DCMAKE_BUILD_TYPE=Release -DPD_FLOATSIZE=64 -DVESH_FUZZ_BUILD=OFF
                        -DBUILD_TESTING=OFF
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} -j2 COMMAND_ERROR_IS_FATAL ANY)
