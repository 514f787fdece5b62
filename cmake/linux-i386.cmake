# The VM is a 32-bit system: every target, test and build-time tool is built -m32
# and links against the i386 libraries. 64-bit file offsets and inode numbers: a 32-bit
# stat or readdir fails with EOVERFLOW on a large file or a file system that hands out
# 64-bit inodes or directory positions (and under 32-bit emulation on any ext4 folder).
set(CMAKE_C_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_PREFIX_PATH /usr/lib/i386-linux-gnu/cmake)
set(FIND_LIBRARY_USE_LIB32_PATHS ON)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake)
