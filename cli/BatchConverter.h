#pragma once

// The batch converter: converts number lists read from files or standard
// input, one entry per line, with the same entry rules as the window (or,
// with --strict, strict numbers). Its parts:
//   Options.h      the command line, --help and --version
//   ByteStreams.h  file descriptors as sources and sinks, the output buffer
//   RowWriters.h   the output formats
//   BatchRun.h     the run loop and the program behind main()

#include "cli/BatchRun.h"
#include "cli/ByteStreams.h"
#include "cli/Options.h"
#include "cli/RowWriters.h"
