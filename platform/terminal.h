// Whether the standard error stream is an interactive terminal (the builder shows its progress
// bar only there, so logs and pipes stay clean).
#pragma once

bool PlatformStderrIsTerminal();
