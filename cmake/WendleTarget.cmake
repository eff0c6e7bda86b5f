# Settings every Wendle target shares: warnings (errors under CI), Qt keyword hygiene, output folder.
function(wendle_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(DEFINED ENV{CI})
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${WENDLE_BIN_DIR})
endfunction()

# One static library per source folder, named wendle_<folder>. Its headers are reachable only through an
# include root that holds that one folder, and the root travels with the library: a file can include a header
# only from a library it links, so an include that points up or sideways does not compile.
function(wendle_add_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    set(name wendle_${folder})
    string(REPLACE "/" "_" name ${name})
    add_library(${name} STATIC ${ARG_SOURCES})
    wendle_target_defaults(${name})
    wendle_include_root(${name} ${folder} PUBLIC)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# Gives target the headers of src/<folder>, and nothing else of src/.
function(wendle_include_root target folder scope)
    string(REPLACE "/" "_" root_name ${folder})
    set(root ${PROJECT_BINARY_DIR}/include/${root_name})
    get_filename_component(link ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${link})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} ${root})
endfunction()
