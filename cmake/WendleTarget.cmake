# Settings every Wendle target shares: warnings (errors under CI), Qt keyword hygiene, output folder.
function(wendle_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(DEFINED ENV{CI})
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${WENDLE_BIN_DIR})
endfunction()
