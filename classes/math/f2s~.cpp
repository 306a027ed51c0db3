// f2s~: the short name of float2sig~, with its help patch.
#define VESH_HELP_NAME "float2sig~"
#include "float2sig~.cpp"  // NOLINT(bugprone-suspicious-include): one implementation, two plug-ins
