#!/bin/sh
# Exits 0 when this host runs 32-bit programs. Some kernels refuse every
# 32-bit ELF ("Exec format error"), Wine's 32-bit loader among them, even
# where Debian's wine32 package installs.
exec /usr/lib/wine/wine --version >/dev/null 2>&1
