// imp~: the short name of impulse~, with its help patch.
#define VESH_HELP_NAME "impulse~"
#include "impulse~.cpp"  // NOLINT(bugprone-suspicious-include): one implementation, two plug-ins
