# What engine/ links besides the common layer: the encoders of the matrix symbologies, both C
# libraries. The main build and the fuzz build both read this.
find_package(PkgConfig REQUIRED)
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
pkg_check_modules(DMTX REQUIRED IMPORTED_TARGET libdmtx)
