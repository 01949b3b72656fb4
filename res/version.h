#pragma once
// The version of Quorlin's programs. Their version blocks (version.rc) and
// the release files (scripts/package.sh) take it from here.
#define QUORLIN_VERSION 1, 0, 1, 104
