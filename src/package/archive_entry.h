// The check every extractor of ours applies to an archive entry's name before
// writing it below the destination folder.
#pragma once

#include <string>

// True when `name` stays below the destination: relative, no drive letter, no
// UNC or device prefix, no ".." component, with either slash as separator.
// Empty names and names that are nothing but separators are refused too.
bool IsSafeArchiveEntry(const std::string& name);
