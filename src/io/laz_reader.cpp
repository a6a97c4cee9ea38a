#include "io/laz_reader.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include <tbb/global_control.h>
#include <tbb/parallel_pipeline.h>

#include "io/arithmetic_decoder.h"
#include "io/integer_decompressor.h"
#include "io/laz_chunk_decoder.h"
#include "io/laz_layered_chunk.h"
#include "io/laz_format.h"

namespace roofplanes {
namespace {

using laz::Compressor;

std::uint64_t load(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::string number(std::uint64_t value) { return std::to_string(value); }

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

void read_at(std::FILE* file, std::uint64_t offset, void* into, std::size_t size, const std::string& what) {
  if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0 || std::fread(into, 1, size, file) != size)
    fail("cannot read " + what);
}

// The LASzip record among the variable length records between the header and the points.
laz::Parameters read_parameters(std::FILE* file, std::uint64_t point_offset) {
  unsigned char head[104];
  read_at(file, 0, head, sizeof head, "the header");
  const std::uint64_t header_size = load(head + 94, 2);
  const std::uint64_t records = load(head + 100, 4);
  std::uint64_t at = header_size;
  for (std::uint64_t i = 0; i < records && at + 54 <= point_offset; ++i) {
    unsigned char vlr[54];
    read_at(file, at, vlr, sizeof vlr, "variable length record " + number(i + 1));
    const std::uint64_t length = load(vlr + 20, 2);
    const bool laszip = std::memcmp(vlr + 2, "laszip encoded", 14) == 0 && load(vlr + 18, 2) == 22204;
    if (laszip) {
      if (length < 34 || at + 54 + length > point_offset)
        fail("the LASzip record of " + number(length) + " bytes is too short or runs into the points");
      std::vector<unsigned char> body(length);
      read_at(file, at + 54, body.data(), body.size(), "the LASzip record");
      laz::Parameters p;
      p.compressor = static_cast<Compressor>(load(body.data(), 2));
      const std::uint64_t coder = load(body.data() + 2, 2);
      p.chunk_size = static_cast<std::uint32_t>(load(body.data() + 12, 4));
      const std::uint64_t items = load(body.data() + 32, 2);
      if (coder != 0) fail("unknown LASzip coder " + number(coder));
      if (34 + 6 * items > length)
        fail("the LASzip record lists " + number(items) + " items but holds only " + number(length) + " bytes");
      for (std::uint64_t k = 0; k < items; ++k) {
        const unsigned char* item = body.data() + 34 + 6 * k;
        p.items.push_back({static_cast<laz::ItemType>(load(item, 2)), static_cast<std::uint16_t>(load(item + 2, 2)),
                           static_cast<std::uint16_t>(load(item + 4, 2))});
      }
      return p;
    }
    at += 54 + length;
  }
  fail("is marked compressed but has no LASzip record");
}

struct Chunk {
  std::uint64_t start = 0, size = 0;  // bytes in the file
  std::uint32_t points = 0;
};

// The chunk table, when it is there and whole: the chunks' places and point counts. An empty
// result with a reason when it is missing or cut; throws when it is there but wrong.
struct ChunkTable {
  std::vector<Chunk> chunks;
  std::string missing;           // why the table could not be used
  std::uint64_t data_end = 0;    // where the chunks end (the table's start, when known)
};

ChunkTable read_chunk_table(std::FILE* file, std::uint64_t file_size, std::uint64_t data_start,
                            const laz::Parameters& p, std::uint64_t point_count, std::size_t record_length) {
  ChunkTable table;
  table.data_end = file_size;
  // A table starts with version 0 and a chunk count that the point data can hold (every chunk
  // keeps at least its first record uncompressed).
  std::uint64_t count = 0;
  auto table_at = [&](std::uint64_t offset) {
    unsigned char head[8];
    if (offset < data_start || offset > file_size || file_size - offset < 8) return false;
    read_at(file, offset, head, 8, "the chunk table");
    count = load(head + 4, 4);
    return load(head, 4) == 0 && count > 0 && count <= (offset - data_start) / record_length + 1;
  };
  unsigned char bytes[8];
  read_at(file, data_start - 8, bytes, 8, "the chunk table offset");
  std::uint64_t offset = load(bytes, 8);
  if (!table_at(offset)) {
    const std::uint64_t stated = offset;
    // A writer that could not seek back leaves the offset in the file's last eight bytes.
    bool found = false;
    if (file_size >= data_start + 8) {
      read_at(file, file_size - 8, bytes, 8, "the file's end");
      offset = load(bytes, 8);
      found = table_at(offset);
    }
    if (!found) {
      // An offset whose table would end past the file's end: the file was cut in or before it.
      const bool cut = stated > data_start && stated != ~std::uint64_t{0} && stated > file_size - 8;
      table.missing = cut ? "chunk table cut off" : "chunk table missing";
      if (cut) table.data_end = std::min(stated, file_size);
      return table;
    }
  }
  table.data_end = offset;
  std::vector<std::uint8_t> coded(static_cast<std::size_t>(file_size - offset - 8));
  if (!coded.empty()) read_at(file, offset + 8, coded.data(), coded.size(), "the chunk table");

  laz::ArithmeticDecoder dec;
  dec.start(coded.data(), coded.data() + coded.size());
  laz::IntegerDecompressor ic(32, 2);
  const bool variable = p.chunk_size == laz::kVariableChunkSize;
  std::int32_t last_points = 0, last_bytes = 0;
  std::uint64_t at = data_start, points = 0;
  table.chunks.resize(static_cast<std::size_t>(count));
  for (Chunk& chunk : table.chunks) {
    if (variable) last_points = ic.decompress(dec, last_points, 0);
    last_bytes = ic.decompress(dec, last_bytes, 1);
    chunk.start = at;
    chunk.size = static_cast<std::uint32_t>(last_bytes);
    chunk.points = variable ? static_cast<std::uint32_t>(last_points) : p.chunk_size;
    at += chunk.size;
  }
  if (dec.consumed() > coded.size()) {
    table.chunks.clear();
    table.missing = "chunk table cut off";
    return table;
  }
  if (!variable) {
    const std::uint64_t full = (count - 1) * std::uint64_t{p.chunk_size};
    if (p.chunk_size == 0 || point_count <= full || point_count - full > p.chunk_size)
      fail("point count " + number(point_count) + " does not match " + number(count) + " chunks of " +
           number(p.chunk_size) + " points");
    table.chunks.back().points = static_cast<std::uint32_t>(point_count - full);
  }
  for (std::size_t i = 0; i < table.chunks.size(); ++i) {
    const Chunk& chunk = table.chunks[i];
    points += chunk.points;
    if (chunk.points == 0 || chunk.size < record_length || chunk.start + chunk.size > offset)
      fail("chunk table damaged: chunk " + number(i + 1) + " of " + number(chunk.points) + " points and " +
           number(chunk.size) + " bytes does not fit the point data");
  }
  if (points != point_count)
    fail("the chunks hold " + number(points) + " points, the header says " + number(point_count));
  return table;
}

// Where decoded chunks go: converted to points, or kept as records.
struct Target {
  LasCloud* cloud = nullptr;
  std::vector<std::uint8_t>* records = nullptr;
};

// One chunk on its way through the pipeline: its bytes, then its records or points.
struct Work {
  std::size_t index = 0;
  Chunk chunk;
  std::vector<std::uint8_t> bytes, records;
  std::vector<LasPoint> points;
  std::uint64_t withheld = 0;
  std::string error;  // what is wrong with the chunk, when something is
};

// Appends `count` decoded records to the target.
void deliver(const std::uint8_t* records, std::size_t count, const LasHeader& header, const Target& target) {
  if (target.records) {
    target.records->insert(target.records->end(), records, records + count * header.record_length);
    return;
  }
  LasCloud& cloud = *target.cloud;
  const std::size_t before = cloud.points.size();
  cloud.points.resize(before + count);
  const std::size_t kept = convert_las_records(records, count, header, cloud.points.data() + before);
  cloud.points.resize(before + kept);
  cloud.withheld += count - kept;
}

void decode_work(const laz::Parameters& p, const LasHeader& header, bool keep_records, Work& work) {
  const std::size_t length = header.record_length;
  std::vector<std::uint8_t>& records = work.records;
  records.resize(static_cast<std::size_t>(work.chunk.points) * length);
  std::size_t used;
  try {
    used = laz::decode_chunk(p, work.bytes.data(), work.bytes.size(), work.chunk.points, records.data(), length);
  } catch (const std::runtime_error& error) {
    fail("chunk " + number(work.index + 1) + ": " + error.what());
  }
  if (used != work.bytes.size())
    fail("chunk " + number(work.index + 1) + " damaged: its " + number(work.bytes.size()) + " bytes decode as " +
         number(used));
  work.bytes = {};
  if (keep_records) return;
  work.points.resize(work.chunk.points);
  const std::size_t kept = convert_las_records(records.data(), work.chunk.points, header, work.points.data());
  work.points.resize(kept);
  work.withheld = work.chunk.points - kept;
  records = {};
}

// Without a chunk table: chunks one after the other, each found where the last one ended.
void read_chunk_by_chunk(std::FILE* file, std::uint64_t data_start, std::uint64_t data_end,
                         const laz::Parameters& p, const LasHeader& header, const Target& target) {
  const bool layered = p.compressor == Compressor::layered_chunked;
  if (!layered && p.chunk_size == laz::kVariableChunkSize)
    fail("chunks of variable size cannot be found without the chunk table");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(data_end - data_start));
  if (!bytes.empty()) read_at(file, data_start, bytes.data(), bytes.size(), "the point data");
  std::uint64_t done = 0, at = 0;
  std::vector<std::uint8_t> records;
  const std::size_t length = header.record_length;
  for (std::size_t index = 0; done < header.point_count; ++index) {
    std::uint64_t count = std::min<std::uint64_t>(p.chunk_size, header.point_count - done);
    if (layered) count = laz::layered_chunk_point_count(bytes.data() + at, bytes.size() - at, length);
    if (count == 0 || count > header.point_count - done)
      fail("chunk " + number(index + 1) + " at byte " + number(data_start + at) + " cannot be read");
    records.resize(static_cast<std::size_t>(count) * length);
    std::size_t used;
    try {
      used = laz::decode_chunk(p, bytes.data() + at, bytes.size() - at, static_cast<std::uint32_t>(count),
                               records.data(), length);
    } catch (const std::runtime_error& error) {
      fail("chunk " + number(index + 1) + ": " + error.what());
    }
    if (used > bytes.size() - at) fail("chunk " + number(index + 1) + " runs past the end of the point data");
    deliver(records.data(), static_cast<std::size_t>(count), header, target);
    done += count;
    at += used;
  }
}

// Decodes the records of the LAZ file into the target; returns the warnings.
std::vector<std::string> decode_laz(std::FILE* file, std::uint64_t file_size, std::uint64_t point_offset,
                                    const LasHeader& header, const Target& target) {
  std::vector<std::string> warnings;
  {
    const laz::Parameters p = read_parameters(file, point_offset);
    if (const std::string problem = laz::check_items(p, header.record_length); !problem.empty()) fail(problem);
    // Formats 0-5 are coded record by record, formats 6-10 in layers.
    if ((p.items.front().type == laz::ItemType::point14) != (header.point_format >= 6))
      fail("compressed items of the other point formats for point format " + number(header.point_format));
    if (header.point_count == 0) return warnings;

    ChunkTable table;
    std::uint64_t data_start = point_offset;
    if (p.compressor == Compressor::pointwise) {
      // One stream for all points, no chunk table.
      if (header.point_count > UINT32_MAX) fail("too many points for one stream");
      table.chunks.push_back({point_offset, file_size - point_offset, static_cast<std::uint32_t>(header.point_count)});
    } else if (p.compressor == Compressor::pointwise_chunked || p.compressor == Compressor::layered_chunked) {
      data_start = point_offset + 8;
      if (data_start > file_size) fail("truncated: the point data ends before its first chunk");
      table = read_chunk_table(file, file_size, data_start, p, header.point_count, header.record_length);
    } else {
      fail("unknown LASzip compressor " + number(static_cast<unsigned>(p.compressor)));
    }

    // Reserve what the header says, up to a bound a damaged count cannot push past.
    const std::size_t expected = static_cast<std::size_t>(std::min<std::uint64_t>(header.point_count, 1u << 24));
    if (target.records)
      target.records->reserve(expected * header.record_length);
    else
      target.cloud->points.reserve(expected);
    if (!table.missing.empty()) {
      warnings.push_back(table.missing + ", read chunk by chunk");
      read_chunk_by_chunk(file, data_start, table.data_end, p, header, target);
      return warnings;
    }

    // Read in file order, decode in parallel, append in file order; at most one chunk per
    // thread is in memory at once. No exception crosses the pipeline (one would leave the
    // chunks in flight behind): a chunk carries its error to the last stage, which keeps the
    // first in file order and stops the reading.
    const std::size_t threads = tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism);
    std::size_t next = 0;
    std::atomic<bool> failed{false};
    std::string error;
    tbb::parallel_pipeline(
        std::max<std::size_t>(1, threads),
        tbb::make_filter<void, std::shared_ptr<Work>>(
            tbb::filter_mode::serial_in_order,
            [&](tbb::flow_control& control) -> std::shared_ptr<Work> {
              if (next == table.chunks.size() || failed) {
                control.stop();
                return nullptr;
              }
              auto work = std::make_shared<Work>();
              work->index = next;
              work->chunk = table.chunks[next++];
              try {
                work->bytes.resize(static_cast<std::size_t>(work->chunk.size));
                read_at(file, work->chunk.start, work->bytes.data(), work->bytes.size(),
                        "chunk " + number(work->index + 1));
              } catch (const std::exception& e) {
                work->error = e.what();
              }
              return work;
            }) &
            tbb::make_filter<std::shared_ptr<Work>, std::shared_ptr<Work>>(
                tbb::filter_mode::parallel,
                [&](std::shared_ptr<Work> work) {
                  if (work->error.empty() && !failed) {
                    try {
                      decode_work(p, header, target.records != nullptr, *work);
                    } catch (const std::bad_alloc&) {
                      work->error = "chunk " + number(work->index + 1) + " claims more points than memory holds";
                    } catch (const std::exception& e) {
                      work->error = e.what();
                    }
                  }
                  return work;
                }) &
            tbb::make_filter<std::shared_ptr<Work>, void>(
                tbb::filter_mode::serial_in_order, [&](std::shared_ptr<Work> work) {
                  if (failed) return;
                  if (!work->error.empty()) {
                    error = work->error;
                    failed = true;
                  } else if (target.records) {
                    target.records->insert(target.records->end(), work->records.begin(), work->records.end());
                  } else {
                    target.cloud->points.insert(target.cloud->points.end(), work->points.begin(), work->points.end());
                    target.cloud->withheld += work->withheld;
                  }
                }));
    if (failed) fail(error);
  }
  return warnings;
}

}  // namespace

void read_laz_points(const std::string& file_name, std::FILE* file, std::uint64_t file_size,
                     std::uint64_t point_offset, LasCloud& cloud) {
  try {
    std::vector<std::string> warnings = decode_laz(file, file_size, point_offset, cloud.header, {&cloud, nullptr});
    cloud.warnings.insert(cloud.warnings.end(), warnings.begin(), warnings.end());
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(file_name + ": its point data claims more points than memory holds");
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(file_name + ": " + error.what());
  }
}

LazRecords read_laz_records(const std::string& file_name) {
  LazRecords result;
  try {
    struct Closer {
      void operator()(std::FILE* f) const { std::fclose(f); }
    };
    const std::unique_ptr<std::FILE, Closer> file(std::fopen(file_name.c_str(), "rb"));
    if (!file) fail("cannot open");
    if (fseeko(file.get(), 0, SEEK_END) != 0) fail("cannot tell its size");
    const std::uint64_t file_size = static_cast<std::uint64_t>(ftello(file.get()));
    unsigned char head[255] = {};
    if (file_size < 227) fail("shorter than a LAS header");
    read_at(file.get(), 0, head, static_cast<std::size_t>(std::min<std::uint64_t>(file_size, sizeof head)), "the header");
    if (std::memcmp(head, "LASF", 4) != 0 || !(head[104] & 0xC0)) fail("not a LAZ file");
    LasHeader& h = result.header;
    h.version_major = head[24];
    h.version_minor = head[25];
    h.point_format = head[104] & 0x3F;
    h.record_length = static_cast<std::uint16_t>(load(head + 105, 2));
    h.point_count = load(head + 107, 4);
    if (h.version_minor >= 4 && file_size >= 255 && load(head + 247, 8) != 0) h.point_count = load(head + 247, 8);
    if (h.record_length == 0) fail("record length 0");
    result.warnings = decode_laz(file.get(), file_size, load(head + 96, 4), h, {nullptr, &result.records});
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(file_name + ": its point data claims more points than memory holds");
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(file_name + ": " + error.what());
  }
  return result;
}

}  // namespace roofplanes
