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

# One of Wendle's own modules, lib/wendle/libwendle-<name>.so, opened at its first use (RuntimeLibrary::ownModule) so
# that the libraries it links stay out of the program's start. It sees the headers of `folder` only, and links
# nothing of Wendle's: what it shares with the program is declared in a header of that folder.
function(wendle_add_module name folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
    add_library(wendle-${name} MODULE ${ARG_SOURCES})
    wendle_target_defaults(wendle-${name})
    wendle_include_root(wendle-${name} ${folder} PRIVATE)
    target_link_libraries(wendle-${name} PRIVATE ${ARG_LINK})
    set_target_properties(wendle-${name} PROPERTIES PREFIX lib LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib/wendle)
    add_dependencies(wendle_${folder} wendle-${name})
    install(TARGETS wendle-${name} LIBRARY DESTINATION lib/wendle)
endfunction()
