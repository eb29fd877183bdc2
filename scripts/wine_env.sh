# Sourced by the commands that run Tockmeter outside CTest (scripts/run.sh, bench/run.sh): the
# paths that the e2e modules in tests/e2e read from the environment, in the build folders of
# scripts/build.sh. CTest sets the same ones in tests/e2e/CMakeLists.txt.
windows_build="$(realpath "${TOCKMETER_WINDOWS_BUILD:-build/windows}")"
native_build="$(realpath "${TOCKMETER_NATIVE_BUILD:-build/native}")"
export TOCKMETER_EXE="$windows_build/platform/win32/tockmeter.exe"
export TOCKMETER_E2E_DRIVER="$windows_build/tests/e2e/driver/tockmeter_e2e_driver.exe"
export TOCKMETER_NATIVE_EXE="$native_build/platform/linux/tockmeter"
export TOCKMETER_MICROMITE="$native_build/sim/pty_server/tockmeter-micromite"
export PYTHONPATH="$PWD/tests/e2e" PYTHONDONTWRITEBYTECODE=1
