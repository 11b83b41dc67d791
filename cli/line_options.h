#pragma once
// The command line's label lines: --line TEXT, repeatable, each followed by the options that set
// it (--line-font, --line-size, --line-style, --line-align, --line-place). Read from the
// system's bytes: the texts are UTF-8.

#include "job/label_design.h"

#include <cstddef>
#include <string>
#include <vector>

// Reads the line option at args[i] with its value into `lines`, moving i onto the value, and
// returns true; `complaint` then says what is wrong with it. False, with nothing read, for any
// other argument.
bool ReadLineOption(const std::vector<std::string>& args, std::size_t& i,
                    std::vector<CDesignLine>& lines, std::string& complaint);

// The line options' lines of "--help".
std::string LineOptionsUsage();
