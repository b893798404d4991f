#!/usr/bin/env python3
# Writes the measuring build's timed backends (timed_machine.cpp): for each
# platform interface, a class over its Win32 backend that times every call
# with a clock of timed_machine.cpp, read from the interface's header so that
# a call added to an interface is timed with the others.
#   timed_backends.py SOURCE_PLATFORM_DIR OUTPUT
import re
import sys

# Header: the interface, and the clock of its calls.
INTERFACES = {
    "registry": ("Registry", "PlatformCall"),
    "spooler": ("Spooler", "PlatformCall"),
    "services": ("ServiceManager", "PlatformCall"),
    "security": ("Security", "PlatformCall"),
    "files": ("FileSystem", "PlatformCall"),
    "system_info": ("SystemInfo", "PlatformCall"),
    "archive": ("ArchiveDll", "PlatformCall"),
    "clock": ("Clock", "PlatformCall"),
    "window_system": ("WindowSystem", "WindowCall"),
}
# The modal loop holds the whole run: it is no window call of its own.
UNTIMED = {"DialogBoxParamA"}
CLOCKS = {"Sleep": "WaitCall"}

source, output = sys.argv[1:]
lines = []
for header, (interface, clock) in INTERFACES.items():
    with open(f"{source}/{header}.h") as file:
        body = re.search(r"class %s \{(.*?)\n\};" % interface, file.read(), re.S).group(1)
    base = "Win32" + interface
    lines.append(f"struct Timed{interface} : {base} {{")
    pure = r"virtual ([\w:<>&* ]+?) ?(\w+)\(([^)]*)\)( const)? = 0;"
    calls = re.findall(pure, re.sub(r"\s+", " ", body))
    if len(calls) != body.count("= 0;"):  # a call left untimed would count as the program's own
        sys.exit(f"{header}.h: a pure virtual call this script cannot read")
    for result, name, params, const in calls:
        if name in UNTIMED:
            continue
        names = [re.search(r"(\w+)$", p.split("=")[0].strip()).group(1) for p in params.split(",") if p.strip()]
        lines.append(f"  {result} {name}({params}){const} override {{")
        lines.append(f"    {CLOCKS.get(name, clock)} timed;")
        lines.append(f"    return {base}::{name}({', '.join(names)});")
        lines.append("  }")
    lines.append("};")
with open(output, "w") as file:
    file.write("\n".join(lines) + "\n")
