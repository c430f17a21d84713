# Compile options shared by every target of the project.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(UPDATE_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# A folder of the project becomes one static library named after it.
function(update_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC project_options)
endfunction()
