# Builds the Python package offline with Debian's Python, as the README says:
#   MODE=wheel: a wheel, installed into BUILD/site for the tests;
#   MODE=venv:  a fresh virtual environment with the package, running the README's example.
# Both keep setuptools' files in BUILD/setuptools, so the second build reuses the first's objects.
set(ENV{ZOL_PYTHON_BUILD_DIR} ${BUILD}/setuptools)
set(ENV{ZOL_BUILD_JOBS} 2)
set(ENV{PIP_DISABLE_PIP_VERSION_CHECK} 1)
set(ENV{PIP_NO_CACHE_DIR} 1)
set(ENV{PIP_ROOT_USER_ACTION} ignore)
set(ENV{PYTHONDONTWRITEBYTECODE} 1)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}")
  endif()
endfunction()

if(MODE STREQUAL "wheel")
  file(REMOVE_RECURSE ${BUILD}/dist ${BUILD}/site)
  run(${PYTHON} -m pip wheel --no-build-isolation --no-index --no-deps -w ${BUILD}/dist ${SOURCE})
  file(GLOB wheel ${BUILD}/dist/zol-*.whl)
  run(${PYTHON} -m pip install --no-index --no-deps --target ${BUILD}/site ${wheel})
else()
  run(${PYTHON} -m venv --clear --system-site-packages ${BUILD}/venv)
  run(${BUILD}/venv/bin/pip install --no-build-isolation --no-index ${SOURCE})
  run(${BUILD}/venv/bin/python ${SOURCE}/tests/check_readme.py ${SOURCE}/../README.md ${SOURCE}/..)
endif()
