# What render/ links besides the engine: the image encoders' libraries and the font libraries of
# the one-bit surface's text. The main build and the fuzz build both read this.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(GIF REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
