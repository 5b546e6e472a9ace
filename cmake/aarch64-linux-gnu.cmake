# Cross build for 64-bit Arm Linux with Debian's cross compiler (g++-aarch64-linux-gnu, gcc 12).
# Programs the build runs (test discovery, ctest, the Unicode table generator) run through
# qemu-user, which loads their libraries from the cross compiler's folder.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(VESSIMOR_AARCH64_PREFIX /usr/aarch64-linux-gnu)
find_program(VESSIMOR_QEMU_AARCH64 qemu-aarch64)
if(NOT VESSIMOR_QEMU_AARCH64)
  message(FATAL_ERROR "qemu-aarch64 not found: install qemu-user (scripts/setup does)")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESSIMOR_QEMU_AARCH64} -L ${VESSIMOR_AARCH64_PREFIX})

# Libraries come only from the cross folder: an x86-64 library must never be linked. Headers and
# CMake packages may also come from the machine's own /usr: the architecture-independent
# header-only ones (nlohmann-json, Boost) live only there, and the cross compiler itself searches
# /usr/include after its own folders, so its C and C++ library headers always win.
set(CMAKE_FIND_ROOT_PATH ${VESSIMOR_AARCH64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
