#pragma once
// The messages of the layers below the window (common/message.h) in the user's language.

#include "common/message.h"

#include <QString>

// The message's template from the translation (its English words without one), the arguments
// put in place.
QString ShownMessage(const CMessage& message);
// Several, one after another, "; " between them.
QString ShownMessages(const CMessages& messages);
