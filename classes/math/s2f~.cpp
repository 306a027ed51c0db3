// s2f~: the short name of sig2float~, with its help patch.
#define VESH_HELP_NAME "sig2float~"
#include "sig2float~.cpp"  // NOLINT(bugprone-suspicious-include): one implementation, two plug-ins
