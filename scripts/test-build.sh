# Sourced by the scripts that run the build's programs: sets TEST_BUILD to the build folder whose
# programs this machine can run. That is build/, the shipped 32-bit one, wherever a 32-bit program
# can start; on a processor or kernel that cannot execute 32-bit code at all (Wine's 32-bit loader
# fails with "Exec format error"), it is build-x64/, the same sources built for 64-bit Windows.
top_of_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  TEST_BUILD="$top_of_tree/build"
else
  TEST_BUILD="$top_of_tree/build-x64"
fi
