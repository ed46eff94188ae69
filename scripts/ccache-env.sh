# Sourced by the build scripts: compiles through ccache when it is installed,
# set up so a fresh clone of the same commit in another folder reuses the
# cache (paths under the tree are hashed relative to it, the working folder
# is not hashed) and precompiled headers can be cached. Sets `launcher` to the
# CMake options that select it.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD"
  export CCACHE_NOHASHDIR=1
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-10G}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
