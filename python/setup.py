# Builds the zol package: its Python layer, and its extension module from the library's sources
import os
import platform
import re
import sys
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
LIBRARY_DIRS = ["common", "equating", "input", "items", "irt", "observed", "report"]


def project_version():
    """The version of project() in the top-level CMakeLists.txt, the one place it is written."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\s*zol\s+VERSION\s+([0-9.]+)", text).group(1)


def compile_args():
    """The program's flags, so that every number is the program's to the bit."""
    if sys.platform == "win32":
        return ["/std:c++20", "/O2", "/fp:precise", "/permissive-", "/utf-8", "/DNDEBUG"]
    # -O3 comes after Python's own -O2, and no fused multiply-adds.
    return ["-std=c++20", "-O3", "-DNDEBUG", "-ffp-contract=off", "-Wall", "-Wextra"]


def avx2_kernels():
    """The AVX2 paths are GCC and Clang vector code for x86-64, chosen at run time."""
    return int(sys.platform != "win32" and platform.machine().lower() in ("x86_64", "amd64"))


class BuildWithVersionHeader(build_ext):
    """Writes zol/version.h, as the CMake build configures it, before compiling."""

    def build_extensions(self):
        generated = Path(self.build_temp).resolve() / "generated"
        header = generated / "zol" / "version.h"
        template = (ROOT / "include" / "zol" / "version.h.in").read_text(encoding="utf-8")
        text = template.replace("@PROJECT_VERSION@", project_version())
        header.parent.mkdir(parents=True, exist_ok=True)
        if not header.exists() or header.read_text(encoding="utf-8") != text:
            header.write_text(text, encoding="utf-8")
        for extension in self.extensions:
            extension.include_dirs.append(str(generated))
            # Absolute now, so that the library's objects stay inside build_temp.
            extension.sources = [str((HERE / source).resolve()) for source in extension.sources]
        super().build_extensions()


# Relative to this folder, as setuptools wants them listed.
sources = ["ext/zol_module.cpp"]
for folder in LIBRARY_DIRS:
    found = (ROOT / "src" / folder).glob("*.cpp")
    sources += sorted(f"../src/{folder}/{path.name}" for path in found)
headers = sorted(f"../{path.relative_to(ROOT).as_posix()}" for path in ROOT.glob("src/**/*.h"))
headers += ["../include/zol/zol.h", "../include/zol/version.h.in", "../CMakeLists.txt"]

extension = Pybind11Extension(
    "zol._zol",
    sources,
    depends=headers,
    include_dirs=[str(ROOT / "include"), str(ROOT / "src")],
    define_macros=[("ZOL_AVX2_KERNELS", str(avx2_kernels()))],
    extra_compile_args=compile_args(),
    cxx_std=0,
)

# ZOL_PYTHON_BUILD_DIR keeps the build's files (objects, metadata) out of the
# checkout, as the test suite's build does.
options = {}
if os.environ.get("ZOL_PYTHON_BUILD_DIR"):
    build_dir = Path(os.environ["ZOL_PYTHON_BUILD_DIR"]).resolve()
    build_dir.mkdir(parents=True, exist_ok=True)
    options = {"build": {"build_base": str(build_dir)}, "egg_info": {"egg_base": str(build_dir)}}

ParallelCompile("ZOL_BUILD_JOBS", default=2).install()
setup(
    version=project_version(),
    packages=["zol"],
    package_data={"zol": ["py.typed", "*.pyi"]},
    ext_modules=[extension],
    cmdclass={"build_ext": BuildWithVersionHeader},
    options=options,
)
