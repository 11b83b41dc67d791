# What engine/ needs besides the common layer: the header of the encoder library of the
# symbologies beyond the program's own engine. The library itself is loaded when first needed
# (common/shared_library.h), so nothing links it. The main build and the fuzz build both read
# this.
find_path(ZINT_INCLUDE_DIR zint.h REQUIRED)
