# Sourced by every script that starts Wine. Debian's Wine comes without its
# preloader, which would keep Wine's fixed addresses free: its loader sits at
# 0x7d000000 and the heap starts at random up to 1 GB above it. Now and then
# (one start in a few thousand) the heap holds 0x7ffe0000, the page every
# Windows process needs, and the program ends with status 1 before its first
# line ("failed to map the shared user data"). Without address randomization
# the heap always starts right after the loader, 48 MB below that page.
# Where the system refuses the change (some containers), Wine runs as it is.
#   no_aslr  "setarch -R", or empty where refused: put before a Wine command
#   wine     Wine from the PATH, started so
no_aslr=""
if setarch -R true 2>/dev/null; then no_aslr="setarch -R"; fi
wine() { $no_aslr env wine "$@"; }
