#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the fixtures need; quiet when all are there.
set -euo pipefail
pkgs=(
  g++ clang cmake ninja-build pkg-config make ccache
  zlib1g-dev libminizip-dev libpugixml-dev libssl-dev
  libcairo2-dev libpixman-1-dev libpango1.0-dev libfontconfig-dev
  libpng-dev libjpeg-dev libdeflate-dev libgif-dev libtiff-dev libwebp-dev librsvg2-dev libwmf-dev libemf2svg-dev
  libgtest-dev libbenchmark-dev libclang-rt-14-dev
  fonts-crosextra-carlito fonts-crosextra-caladea fonts-liberation2
  fonts-dejavu  # DejaVu Sans Mono stands in for fixed-pitch faces the machine lacks
  fonts-urw-base35  # the metafile reader maps WMF text onto these faces; without them it refuses every WMF
  fonts-noto-core fonts-noto-cjk  # text in other scripts (CJK, Arabic, Hebrew, Thai, Devanagari, ...)
  # CJK faces with TrueType outlines (Japanese, Korean, Chinese sans and Ming/Song): with all of
  # them installed Noto CJK (CID-keyed CFF, which Cairo 1.16 loses memory embedding in a PDF) is left out
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-nanum fonts-wqy-zenhei fonts-arphic-uming
  python3 python3-xlsxwriter python3-openpyxl python3-pil  # fixture scripts (tests/fixtures/make_*.py)
  poppler-utils  # the vector-output tests read PDFs back with pdfinfo, pdftotext, pdftoppm and pdfimages
  python3-dev pybind11-dev python3-pybind11  # the Python package's native module
  python3-pytest python3-pil  # its tests; Pillow for Page.image()
  python3-venv python3-pip python3-setuptools python3-wheel  # installing it offline (README: From Python)
  time  # the benchmarks take peak memory and processor time from /usr/bin/time
  libcpp-httplib-dev  # xlxserve's HTTP server
  chromium nodejs     # xlxserve's browser test (playwright-core from npm drives this chromium)
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm ships inside some builds of nodejs; Debian's own nodejs needs the npm package beside it.
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
