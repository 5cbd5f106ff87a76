# Debian packages made by CPack from the install rules, one per install component:
#   varn           the program, its desktop entry, icon, AppStream metadata and manual pages
#   libpelnix1     the hashing library's shared object, named after its SONAME as Debian does
#   libpelnix-dev  the header, the link name, the pkg-config file and the CMake package
# All three carry the project's version, as binary packages built from one source do; the
# library's own PELNIX_VERSION is its ABI's (the SONAME and the CMake package's version).
# `cpack --config <build>/CPackConfig.cmake` (or `./dev package`) writes them to the build tree.
include(GNUInstallDirs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varn)
set(CPACK_PACKAGE_VENDOR "The varn developers")
set(CPACK_PACKAGE_CONTACT "varn maintainers <maintainers@users.noreply.c-seed-d8eade72.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
# One package per component, never one for everything.
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_COMPONENTS_ALL program library development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on system libraries come from the binaries themselves (dpkg-shlibdeps); those
# between our own packages from the components' DEPENDS, pinned to the same version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# dpkg-shlibdeps must find libpelnix.so.1, which varn needs and no installed package provides
# yet: the build tree's copy stands in, and the dependency on it comes from the component's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/platform/pelnix)

# Each description's first line is the package's synopsis, the rest its long description.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME varn)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION [=[SHA-1 control numbers of texts and files
varn forms the SHA-1 control number of a typed text or of a chosen file, shows it as four
groups of ten characters and writes it to HASHBROJ.TXT in its working directory. Its
windows speak Croatian.]=])

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libpelnix1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# A shlibs file, so packages built against the library depend on this package (only libpelnix1
# holds a shared object); CPack adds the ldconfig calls such a package needs.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION [=[SHA-1 control numbers of data and files (shared library)
libpelnix forms the SHA-1 of a block of data or of a file's contents as 40 upper-case
hexadecimal characters. This package holds the shared library.]=])

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libpelnix-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION [=[SHA-1 control numbers of data and files (development files)
libpelnix forms the SHA-1 of a block of data or of a file's contents as 40 upper-case
hexadecimal characters. This package holds the C header, the pkg-config file and the
CMake package for building programs against it.]=])

include(CPack)

cpack_add_component(program DISPLAY_NAME "varn" DEPENDS library)
cpack_add_component(library DISPLAY_NAME "libpelnix1")
cpack_add_component(development DISPLAY_NAME "libpelnix-dev" DEPENDS library)
