# Sourced by the scripts that make, once per machine, what the Windows leg
# needs: the folder they share outside the tree (SOLVANE_CACHE moves it), and
# the short key by which each build is named after what went into it, so that
# a change of version or option makes a new one beside the old.
cache="${SOLVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/solvane}"

# The key of what comes on standard input.
cache_key() { sha256sum | cut -c1-12; }
