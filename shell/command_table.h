#pragma once
// Every command of the window with its menu text, prompt, keys and icon: one table that the
// main frame builds its actions from.

#include <QIcon>
#include <QKeySequence>

#include <vector>

struct CommandText {
    int id;
    const char* menuText; // empty for commands without a menu item
    const char* prompt;   // status-bar prompt, a line break, then the tool tip
    std::vector<QKeySequence> keys;
};

// Every command of the program with its menu text, prompt and keys; the symbologies' commands
// come from their own table. The texts are translated where they are shown.
const std::vector<CommandText>& Commands();

// The desktop theme's icon where it has one of that meaning, else the program's own; none for a
// command without an icon.
QIcon CommandIcon(int id);
