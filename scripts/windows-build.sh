#!/usr/bin/env bash
# Prints the Windows build this machine runs under Wine: "win32" where it runs
# 32-bit x86 programs, else "win64". Some kernels refuse 32-bit programs
# ("Exec format error"), the 32-bit Wine loader included; 64-bit Wine runs
# everywhere.
#   usage: scripts/windows-build.sh
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
