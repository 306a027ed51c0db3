// lb: the short name of loadbanger, with its help patch.
#define VESH_HELP_NAME "loadbanger"
#include "loadbanger.cpp"  // NOLINT(bugprone-suspicious-include): one implementation, two plug-ins
