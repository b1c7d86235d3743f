// Starts one patch run and turns its abort into a shown error.
#pragma once

int StartRun(); // the exit code the console reports for this run
