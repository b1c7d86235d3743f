// Codes a command list into its sub-streams and counts what deflate makes of them, back to back
// as they lie in a patch.
#include "tools/builder/compressed_size.h"

#include <zlib.h>

#include <cstdint>
#include <string>

#include "tools/writer/command_encoder.h"

constexpr int DeflateLevel = 6;
constexpr size_t OutputChunk = 65536;

// Runs deflate over what Stream holds with Flush, adding the bytes it puts out to Produced.
static void Drain(z_stream& Stream, int Flush, int64_t& Produced)
{
    Bytef Out[OutputChunk];
    do {
        Stream.next_out = Out;
        Stream.avail_out = OutputChunk;
        deflate(&Stream, Flush);
        Produced += (int64_t)(OutputChunk - Stream.avail_out);
    } while (Stream.avail_out == 0);
}

int64_t CompressedSize(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings)
{
    EncodedDelta Encoded;
    std::string Error;
    if (!EncodeCommands(Commands, Settings, Encoded, Error))
        return INT64_MAX;
    z_stream Stream = {};
    if (deflateInit(&Stream, DeflateLevel) != Z_OK)
        return INT64_MAX;
    int64_t Produced = 0;
    for (std::vector<uint8_t>& Bytes : Encoded.SubStreams) {
        Stream.next_in = Bytes.data();
        Stream.avail_in = (uInt)Bytes.size();
        Drain(Stream, Z_NO_FLUSH, Produced);
    }
    Drain(Stream, Z_FINISH, Produced);
    deflateEnd(&Stream);
    return Produced;
}
