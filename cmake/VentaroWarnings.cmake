# Every target of the project calls ventaro_target_defaults() so that the
# warning set, -Werror under CI and the sanitizer option stay in one place.
add_library(ventaro_options INTERFACE)
target_compile_options(ventaro_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast)
if(VENTARO_WERROR)
  target_compile_options(ventaro_options INTERFACE -Werror)
endif()
if(VENTARO_SANITIZE)
  target_compile_options(ventaro_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(ventaro_options INTERFACE -fsanitize=address,undefined)
endif()
target_compile_definitions(ventaro_options INTERFACE
  VENTARO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VENTARO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VENTARO_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  VENTARO_VERSION_STRING="${PROJECT_VERSION}")

function(ventaro_target_defaults target)
  target_link_libraries(${target} PRIVATE ventaro_options)
endfunction()
