# One target carries the compiler settings for everything we build.
add_library(zentaro_build_settings INTERFACE)
target_compile_features(zentaro_build_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(zentaro_build_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wimplicit-fallthrough)
target_compile_definitions(zentaro_build_settings INTERFACE
  QT_NO_KEYWORDS _FILE_OFFSET_BITS=64)
if("$ENV{CI}" STREQUAL "true")
  target_compile_options(zentaro_build_settings INTERFACE -Werror)
endif()
if(ZENTARO_SANITIZE)
  target_compile_options(zentaro_build_settings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zentaro_build_settings INTERFACE -fsanitize=address,undefined)
  # GCC's flow analysis misfires on instrumented code (std::optional moves);
  # the plain build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(zentaro_build_settings INTERFACE -Wno-maybe-uninitialized)
  endif()
endif()
if(ZENTARO_BUILD_FUZZ)
  # Coverage feedback for libFuzzer in everything the targets link.
  target_compile_options(zentaro_build_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()
