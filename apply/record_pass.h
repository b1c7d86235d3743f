// One pass over the record stream: check that every file can be produced, or apply the patch.
#pragma once

bool RecordPass(bool CheckOnly, bool Quiet);
