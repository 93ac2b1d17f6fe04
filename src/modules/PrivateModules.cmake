# The program's modules (the Calc link, the PDF pages) live beside it in a
# build tree and in its private library folder once installed; the installed
# program finds that folder by the same relative path wherever the installed
# tree is unpacked.
include(GNUInstallDirs)
set(KOORDEL_PRIVATE_LIBDIR lib/koordel)
file(RELATIVE_PATH KOORDEL_MODULE_DIR ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${KOORDEL_PRIVATE_LIBDIR})

# Lets `target` look its modules up with PrivateModule.h, a header and no
# library, so that the layers loading modules need not depend on each other.
function(koordel_finds_modules target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/modules)
  target_compile_definitions(${target} PRIVATE KOORDEL_MODULE_DIR="${KOORDEL_MODULE_DIR}")
endfunction()
