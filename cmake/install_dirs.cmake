# Where `cmake --install` and the package put things (GNUInstallDirs), and the relative ways
# between them that the programs are built with: an installed program finds its window program,
# data and guide from its own folder, wherever the prefix is (/usr in the package).
include(GNUInstallDirs)

set(QM_INSTALL_PROGRAM_DIR "${CMAKE_INSTALL_LIBEXECDIR}/quillmark")
set(QM_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/quillmark")
# The guide, copyright and changelog: where Debian looks for the package's documents.
set(QM_INSTALL_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmark")

file(RELATIVE_PATH QM_WINDOW_FROM_BIN_DIR "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBEXECDIR}/quillmark")
file(RELATIVE_PATH QM_DATA_FROM_PROGRAM_DIR "${CMAKE_INSTALL_FULL_LIBEXECDIR}/quillmark"
     "${CMAKE_INSTALL_FULL_DATADIR}/quillmark")
file(RELATIVE_PATH QM_DOC_FROM_PROGRAM_DIR "${CMAKE_INSTALL_FULL_LIBEXECDIR}/quillmark"
     "${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/quillmark")
