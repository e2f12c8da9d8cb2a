#pragma once
// Marks a fixed text of the Qt-free core that the windows show in the user's
// language. It is the text itself: the core and orbisk-cli use the English;
// the translation tools find every marked text by this name, and the windows
// look it up in the same context.
#define ORBISK_TR_NOOP(context, text) text
