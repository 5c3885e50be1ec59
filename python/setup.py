"""Builds the xlxfilter package from this source tree: CMake builds the native module and the
filter libraries (target xlx_python), and the wheel takes them with the Python files.

    pip install --no-build-isolation ./python

Environment: XLX_BUILD_DIR reuses a CMake build folder (for example the tree's own ``build``);
without it the build goes to python/build/cmake. CMake, Ninja (or make) and the Debian packages
of scripts/install-deps.sh are needed; nothing is downloaded.
"""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_ROOT = os.path.dirname(HERE)


class CMakeBuild(build_ext):
    """Builds the module with the tree's CMake build and copies the package's binaries."""

    def build_extension(self, ext: Extension) -> None:
        if not os.path.exists(os.path.join(SOURCE_ROOT, "CMakeLists.txt")):
            sys.exit("xlxfilter: build from the source tree (pip install ./python), not from a copy of python/")
        build_dir = os.environ.get("XLX_BUILD_DIR") or os.path.join(HERE, "build", "cmake")
        configure = ["cmake", "-S", SOURCE_ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                     f"-DPYTHON_EXECUTABLE={sys.executable}"]
        if shutil.which("ninja") and not os.path.exists(os.path.join(build_dir, "Makefile")):
            configure += ["-G", "Ninja"]
        if shutil.which("ccache"):
            configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("XLX_BUILD_JOBS", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", build_dir, "--target", "xlx_python", "-j", jobs], check=True)
        built = os.path.join(build_dir, "python", "xlxfilter")
        target = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        os.makedirs(target, exist_ok=True)
        binaries = glob.glob(os.path.join(built, "_xlxfilter*.so")) + [
            os.path.join(built, "libxlxfilter.so"), os.path.join(built, "libxlxhost.so")]
        for binary in binaries:
            shutil.copy2(binary, target)
        # The module's name must match the interpreter's suffix; the build made it for this one.
        expected = os.path.basename(self.get_ext_fullpath(ext.name))
        if not os.path.exists(os.path.join(target, expected)):
            sys.exit(f"xlxfilter: the build made no {expected}; is pybind11-dev installed for {sys.executable}?")


setup(
    name="xlxfilter",
    version="0.1.0",
    description="Spreadsheet workbooks (.xlsx, .xlsm, .xlsb) as printed pages: PNG, JPEG, SVG, PDF",
    packages=["xlxfilter"],
    package_data={"xlxfilter": ["*.pyi", "py.typed"]},
    ext_modules=[Extension("xlxfilter._xlxfilter", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.8",
    zip_safe=False,
)
