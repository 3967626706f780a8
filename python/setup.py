# Builds the zol package: its Python layer, and its extension module from the library's sources
import os
import platform
import re
import sys
import sysconfig
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
FLAGS_FILE = ROOT / "tools" / "compiler-flags.txt"


def project_version():
    """The version of project() in the top-level CMakeLists.txt, the one place it is written."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\s*zol\s+VERSION\s+([0-9.]+)", text).group(1)


def compile_args(compiler_kinds):
    """The program's optimisation and warnings; the exactness options come from FLAGS_FILE."""
    if "msvc" in compiler_kinds:
        return ["/std:c++20", "/O2", "/permissive-", "/utf-8", "/DNDEBUG"]
    # -O3 comes after Python's own -O2.
    return ["-std=c++20", "-O3", "-DNDEBUG", "-Wall", "-Wextra"]


def compiler_kinds(compiler):
    """The names FLAGS_FILE gives the compiler that setuptools chose."""
    if compiler.compiler_type == "msvc":
        return {"msvc"}
    if compiler.compiler_type == "mingw32" or sysconfig.get_platform().startswith("mingw"):
        return {"gcc", "mingw"}
    return {"gcc"}


def shared_settings(kinds, processor):
    """The options, the definitions and ZOL_AVX2_KERNELS that FLAGS_FILE gives this compiler,
    as the CMake build and the R package read them too."""
    options, defines, avx2 = [], [], 0
    for line in FLAGS_FILE.read_text(encoding="utf-8").splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if len(words) < 3 or words[1] not in ("option", "define", "avx2"):
            sys.exit(f"{FLAGS_FILE}: cannot read the line '{line}'")
        compiler, kind, values = words[0], words[1], words[2:]
        if compiler not in kinds:
            continue
        if kind == "option":
            options += values
        elif kind == "define":
            defines += [tuple(value.split("=", 1)) if "=" in value else (value, None) for value in values]
        elif processor in values:
            avx2 = 1
    return options, defines + [("ZOL_AVX2_KERNELS", str(avx2))]


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
        kinds = compiler_kinds(self.compiler)
        options, defines = shared_settings(kinds, platform.machine().lower())
        for extension in self.extensions:
            extension.include_dirs.append(str(generated))
            extension.extra_compile_args += compile_args(kinds) + options
            extension.define_macros += defines
            # Absolute now, so that the library's objects stay inside build_temp.
            extension.sources = [str((HERE / source).resolve()) for source in extension.sources]
        super().build_extensions()


# Relative to this folder, as setuptools wants them listed.
# The library is every source under src but the program's own, in src/driver.
sources = ["ext/zol_module.cpp"]
sources += sorted(
    f"../{path.relative_to(ROOT).as_posix()}"
    for path in ROOT.glob("src/**/*.cpp")
    if path.relative_to(ROOT / "src").parts[0] != "driver"
)
headers = sorted(f"../{path.relative_to(ROOT).as_posix()}" for path in ROOT.glob("src/**/*.h"))
headers += ["../include/zol/zol.h", "../include/zol/version.h.in", "../CMakeLists.txt"]
headers += ["../tools/compiler-flags.txt"]

extension = Pybind11Extension(
    "zol._zol",
    sources,
    depends=headers,
    include_dirs=[str(ROOT / "include"), str(ROOT / "src")],
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
