// imp2~: the short name of impulse2~, with its help patch.
#define VESH_HELP_NAME "impulse2~"
#include "impulse2~.cpp"  // NOLINT(bugprone-suspicious-include): one implementation, two plug-ins
