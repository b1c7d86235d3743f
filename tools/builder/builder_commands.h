// The commands of tarnwel-build; each returns the exit code (0 done, 1 usage, 2 failure).
#pragma once

int ListCommand(int argc, char** argv);
int CreateCommand(int argc, char** argv);
