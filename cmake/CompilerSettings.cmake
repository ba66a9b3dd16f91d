# Warnings are errors on every tool chain, and floating point stays strict:
# the estimator's last step is a binary64 division in a fixed order, which
# fast-math or x87 excess precision could change by one hertz.
add_library(tensikon_settings INTERFACE)
if(MSVC)
  target_compile_options(tensikon_settings INTERFACE /W4 /WX /permissive- /fp:precise /utf-8)
else()
  target_compile_options(tensikon_settings INTERFACE -Wall -Wextra -Werror -ffp-contract=off
                                                     -fno-fast-math)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_compile_options(tensikon_settings INTERFACE -msse2 -mfpmath=sse)
  endif()
endif()

if(WIN32 AND NOT MSVC)
  # Each .exe stands alone: no MinGW runtime DLLs to ship beside it.
  target_link_options(tensikon_settings INTERFACE -static -static-libgcc -static-libstdc++)
endif()

if(TENSIKON_SANITIZE)
  target_compile_options(tensikon_settings INTERFACE -fsanitize=address,undefined
                                                     -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tensikon_settings INTERFACE -fsanitize=address,undefined)
endif()

if(TENSIKON_LIBFUZZER)
  # Coverage for libFuzzer in everything the fuzz targets reach; only the
  # fuzz programs themselves link libFuzzer's main.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TENSIKON_LIBFUZZER needs clang (the fuzz preset sets it)")
  endif()
  target_compile_options(tensikon_settings INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(tensikon_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()
