# The product's identity in one place. The version is the project's VERSION: both programs
# answer it to --version, and the package and its metainfo carry it. The application id names
# the desktop entry, the metainfo and the icon.
include(GNUInstallDirs)  # where the programs and their files go when installed

set(ROSTERMATE_APP_ID "org.rostermate.Rostermate")
set(ROSTERMATE_RELEASE_DATE "2026-12-08")  # of this version, for the metainfo and the man pages
configure_file(${CMAKE_CURRENT_LIST_DIR}/Product.h.in ${CMAKE_BINARY_DIR}/generated/Product.h
               @ONLY)
add_library(rm_product INTERFACE)
target_include_directories(rm_product INTERFACE ${CMAKE_BINARY_DIR}/generated)
