#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need.
# Idempotent: when all are present it installs nothing and touches no package list.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config clang
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
  # the model-loading benchmark's comparison
  libassimp-dev
  # OpenGL 4.5 through EGL, Mesa llvmpipe without a GPU
  libegl-dev libepoxy-dev libegl-mesa0 libgl1-mesa-dri
  # windows, displays and input (the window tests read pixels back from X)
  libsdl2-dev libx11-dev
  # effect compiler: HLSL to SPIR-V to GLSL
  glslang-dev spirv-tools libspirv-cross-c-shared-dev
  # image files
  libstb-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
