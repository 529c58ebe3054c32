# The WebAssembly build (preset wasm, Debian's emscripten 3.1.6), included
# before any target is made so that its compile options reach them all; the
# programs' link options are set once every target exists.
#
# Each program is linked twice from the same objects:
#  - for node (difusao_calor.js, estudo/estudo_convergencia.js, each with its
#    .wasm): `node difusao_calor.js` in a folder works on that real folder's
#    files (NODERAWFS) and node's standard streams, like the native program;
#    the command lines it would run are recorded, not run, so it reads no
#    environment variable (COMSPEC names an interpreter, and there is none);
#  - for the page (difusao_calor_pagina.js, estudo_convergencia_pagina.js,
#    each with its .wasm): a factory each (DifusaoCalor, EstudoConvergencia),
#    a plain script, whose instance runs the program once on an in-memory
#    folder (src/wasm/pagina.js). A page opened from file:// compiles the
#    .wasm once itself and hands it to each instance (instantiateWasm).
# Neither has threads (a page without cross-origin isolation has no shared
# memory): the results are written after the time loop, and the study runs
# its cases one after another.

# A thread that cannot be started, and memory that cannot be had, are
# exceptions the program catches.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
add_compile_options("SHELL:-include ${PROJECT_SOURCE_DIR}/src/wasm/compatibilidade.hpp")
# The platform layer's types that hold nothing here (no floating-point
# environment, no signal mask) stay members of its classes.
add_compile_options(-Wno-unused-private-field)

# The heap grows as the arrays need it, up to the 4 GiB that 32-bit
# addresses reach.
set(DIFUSAO_WASM_MEMORIA -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB)
set(DIFUSAO_WASM_BIBLIOTECA ${PROJECT_SOURCE_DIR}/src/wasm/biblioteca.js)

function(difusao_programa_node alvo)
  target_link_options(${alvo} PRIVATE ${DIFUSAO_WASM_MEMORIA} -sNODERAWFS=1 -sENVIRONMENT=node
                      "SHELL:--js-library ${DIFUSAO_WASM_BIBLIOTECA}")
  set_property(TARGET ${alvo} APPEND PROPERTY LINK_DEPENDS ${DIFUSAO_WASM_BIBLIOTECA})
endfunction()

function(difusao_modulo_pagina alvo fonte biblioteca nome)
  set(pre ${PROJECT_SOURCE_DIR}/src/wasm/pagina.js)
  add_executable(${alvo} ${fonte})
  target_link_libraries(${alvo} PRIVATE ${biblioteca})
  target_link_options(${alvo} PRIVATE ${DIFUSAO_WASM_MEMORIA} -sMODULARIZE=1 -sEXPORT_NAME=${nome}
                      -sENVIRONMENT=web,worker,node -sINVOKE_RUN=0
                      -sNODEJS_CATCH_EXIT=0 -sNODEJS_CATCH_REJECTION=0
                      "SHELL:-sEXPORTED_FUNCTIONS=['_main','_setenv']"
                      "SHELL:-sEXPORTED_RUNTIME_METHODS=['ccall','callMain','FS']"
                      "SHELL:--pre-js ${pre}" "SHELL:--js-library ${DIFUSAO_WASM_BIBLIOTECA}")
  set_property(TARGET ${alvo} APPEND PROPERTY LINK_DEPENDS ${pre} ${DIFUSAO_WASM_BIBLIOTECA})
endfunction()

# The tests of this build run under node (ctest --preset wasm): the reference
# runs out of the program for node, and the page's module on them and on two
# failures. The comparisons with the Linux programs are in .ci/run, where the
# native end-to-end tables of faults run this program through
# difusao_calor_node, a command that starts it under node.
function(difusao_testes_wasm)
  find_program(DIFUSAO_NODE NAMES node nodejs REQUIRED)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/difusao_calor_node
       CONTENT "#!/bin/sh\nexec ${DIFUSAO_NODE} --no-experimental-fetch $<TARGET_FILE:difusao_calor> \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(golden ${PROJECT_SOURCE_DIR}/tests/dados/golden)
  add_test(NAME Wasm.Referencias
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/plataformas/conferir_referencias.sh ${golden}
                   ${DIFUSAO_NODE} --no-experimental-fetch $<TARGET_FILE:difusao_calor>)
  add_test(NAME Wasm.ModuloDaPagina
           COMMAND ${DIFUSAO_NODE} ${PROJECT_SOURCE_DIR}/tests/wasm/testar_modulo_pagina.js
                   $<TARGET_FILE:difusao_calor_pagina> ${golden})
endfunction()

function(difusao_programas_wasm)
  difusao_programa_node(difusao_calor)
  difusao_programa_node(estudo_convergencia)
  difusao_modulo_pagina(difusao_calor_pagina ${PROJECT_SOURCE_DIR}/src/main.cpp difusao_nucleo DifusaoCalor)
  difusao_modulo_pagina(estudo_convergencia_pagina ${PROJECT_SOURCE_DIR}/estudo/estudo_convergencia.cpp
                        estudo_nucleo EstudoConvergencia)
  # The time loop repeated, for the comparison with the native loop
  # (bench/comparar_wasm.sh).
  add_executable(medir_laco ${PROJECT_SOURCE_DIR}/bench/medir_laco.cpp)
  target_link_libraries(medir_laco PRIVATE difusao_nucleo)
  difusao_programa_node(medir_laco)
  difusao_testes_wasm()
endfunction()
enable_testing()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL difusao_programas_wasm)
