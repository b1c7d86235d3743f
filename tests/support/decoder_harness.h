// Runs the decoder on an old file and a delta given by a test, catching the abort it may end in.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/applier_state.h"
#include "tools/writer/command_encoder.h"

// One call of the decoder: the old file, the variant with its five sub-streams, and the arguments.
struct DecoderCase {
    std::vector<uint8_t> Old;
    bool OldMissing = false;                         // no old file at all
    SourceVariant Variant;                           // StreamLengths are taken from SubStreams
    std::vector<uint8_t> SubStreams[SubStreamCount];
    int32_t PayloadShortBy = 0;                      // bytes cut off the end of sub-stream 4 in the payload
    int32_t ResultSize = 0;
    bool VerifyOld = false;
    bool MissingAllowed = false;
    int32_t WindowStart = 0;
    int32_t WindowLength = 0;
    std::vector<std::string> DirectoriesInTempDir; // made after the payload, in the way of those names
    int32_t FailAfter = 0;                           // the N-th file operation of the decoder fails; 0 none
};

struct DecoderOutcome {
    bool Result = false;
    int Message = -1;               // catalogue message the run ended with, -1 when it did not end
    std::string AbortText;
    std::vector<uint8_t> Output;    // the rebuilt file after a true result
    std::string OutputName;
    int32_t DeltaPosition = 0;      // where sub-stream 0 began in the payload
    int32_t PayloadEnd = 0;         // payload position just after sub-stream 4
    int32_t PositionBefore = 0;     // payload position handed to the decoder
    int32_t PositionAfter = -1;     // payload position afterwards, -1 when the payload was closed
    bool FaultUnused = false;       // FailAfter lay beyond the decoder's last file operation
};

// Settings and commands as the encoder takes them; fails the calling test on an encoding error.
DecoderCase CaseFromCommands(const std::vector<uint8_t>& Old, const std::vector<DeltaCommand>& Commands,
                             const DeltaSettings& Settings);

// Writes the old file into ScratchDir and the payload into the temporary directory, runs the
// decoder, and deletes the payload and the output again.
DecoderOutcome RunDecoder(const DecoderCase& Case, const std::string& ScratchDir);

// The number of the catalogue message whose text this is, -1 when there is none.
int CatalogueNumberOf(const std::string& Text);

// Settings for the encoder, and command builders for test tables.
DeltaSettings SettingsOf(int32_t BaseSize, int32_t ResultSize, uint16_t LengthReuse = 1, uint8_t Flags = 0,
                         uint8_t BlockSize = 255);
DeltaCommand PlainLiteral(const std::vector<uint8_t>& Bytes, int32_t BlockSize);
DeltaCommand Copy(int32_t Length, int32_t Offset, std::vector<uint8_t> Tail = {});
DeltaCommand Literal(std::vector<uint8_t> Bytes, std::vector<bool> PlainPieces);
DeltaCommand Skip();

// Puts the five sub-streams into a payload and cuts them as a reconstruction would, for tests of
// the readers alone; CommandBytesLeft is set to the length of sub-stream 0.
void PrepareSubStreams(const std::vector<uint8_t> (&SubStreams)[SubStreamCount]);

// Sub-stream bytes from bits in the order they are read.
std::vector<uint8_t> PackBits(const std::vector<int>& Bits);

// The stored checksum of bytes held in memory, without the window.
uint32_t StoredChecksum(const std::vector<uint8_t>& Bytes, int32_t WindowStart = 0, int32_t WindowLength = 0);

// A fresh state, recorder and scratch directory per test; the payload and scratch files go
// away afterwards.
class ReconstructTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    DecoderOutcome Run(const DecoderCase& Case)
    {
        return RunDecoder(Case, ScratchDir);
    }

    std::string ScratchDir;
};
