# What the target platform decides: the plug-in file names, the link options
# and the platform's name in a deken package.
#
# Plug-ins take the host's own extension for their system and processor
# (.pd_linux on Linux x86-64, .l_arm64 and .l_arm on Linux ARM, .m_amd64 on
# 64-bit Windows). The host tries the processor-specific name before the
# generic one, so one folder can carry every platform's plug-ins side by side
# and each host loads its own.
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" cpu)
if(cpu MATCHES "^(x86_64|amd64)$")
  set(cpu amd64)
elseif(cpu MATCHES "^i.86$")
  set(cpu i386)
elseif(cpu MATCHES "^(aarch64|arm64)")
  set(cpu arm64)
elseif(cpu MATCHES "^arm")
  set(cpu armv7)
endif()

if(WIN32)
  set(suffix .dll)
  if(cpu STREQUAL "amd64")
    set(suffix .m_amd64)
  endif()
elseif(cpu STREQUAL "arm64")
  set(suffix .l_arm64)
elseif(cpu STREQUAL "armv7")
  set(suffix .l_arm)
else()
  set(suffix .pd_linux)
endif()
set(VESH_PLUGIN_SUFFIX ${suffix} CACHE STRING "File name extension of the plug-ins")
set(VESH_DEKEN_PLATFORM "${CMAKE_SYSTEM_NAME}-${cpu}-${PD_FLOATSIZE}" CACHE INTERNAL
    "The platform's name in a deken package")

if(WIN32)
  # A DLL resolves every symbol when it is linked: the host's come from its
  # import library (pd.a, or pd.dll itself). The compiler's runtime goes into
  # each plug-in, which then needs no DLL that a Pd installation lacks; the
  # runtime's debugging sections are stripped (a fifth of the size).
  set(PD_IMPORT_LIB "" CACHE FILEPATH "The host's import library for Windows (pd.a or pd.dll)")
  if(NOT EXISTS "${PD_IMPORT_LIB}")
    message(FATAL_ERROR "set PD_IMPORT_LIB to the Windows host's pd.a or pd.dll")
  endif()
  set(VESH_LINK_OPTIONS -static-libgcc -static-libstdc++ -s)
  # The runtime's sine and cosine are replaced: see shared/windows_trig.cpp.
  add_library(vesh_windows_trig OBJECT ${PROJECT_SOURCE_DIR}/shared/windows_trig.cpp)
  target_compile_options(vesh_windows_trig PRIVATE ${VESH_COMPILE_OPTIONS})
  set(VESH_LINK_LIBRARIES vesh_windows_trig ${PD_IMPORT_LIB})
else()
  # Symbols left undefined are the host's, resolved when it loads the plug-in;
  # the static parts of the compiler's runtime stay hidden.
  set(VESH_LINK_OPTIONS -Wl,--exclude-libs,ALL)
  set(VESH_LINK_LIBRARIES "")
endif()
