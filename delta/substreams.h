// Cuts one variant's five sub-streams out of the payload and reads their bits and numbers.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_object.h"

bool ExtractSubStream(int32_t Length, FileObject& File, const std::string& Name);
void CutSubStreams(int32_t DeltaPosition, const int32_t* StreamLengths);
int ReadBit(int Reader); // Reader 0 reads sub-stream 1, Reader 1 reads sub-stream 2
int32_t ReadNumber();
