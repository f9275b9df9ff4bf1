// Writes the fuzz seed corpora (fuzz/corpus/<target>/) and the sample messages
// (examples/messages/) with the project's own encoder:
//   make_corpus SOURCE_DIR
// The samples come from tests/support/SerializerSamples.h, the random seeds from a fixed
// seed, so running it again reproduces the committed files.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    throw std::runtime_error("cannot write " + path);
  }
}

void writeSeeds(const std::string& root, const std::string& name, const yox::data::Data& data, bool csv) {
  using yox::fuzz::serializer;
  writeFile(root + "/fuzz/corpus/binary/" + name, yox::fuzz::binaryOf(data));
  writeFile(root + "/fuzz/corpus/string/" + name, serializer().serializeToString(data, ','));
  if (csv) writeFile(root + "/fuzz/corpus/csv/" + name, serializer().serializeToCsv(data));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus SOURCE_DIR\n");
    return 2;
  }
  const std::string root = argv[1];
  try {
    using yox::fuzz::serializer;
    for (const yox::testing::Sample& sample : yox::testing::samples()) {
      yox::auto_ptr<yox::data::Data> data = sample.make();
      writeSeeds(root, sample.name, *data, sample.csv);
      const std::string base = root + "/examples/messages/" + sample.name;
      writeFile(base + ".bin", yox::fuzz::binaryOf(*data));
      writeFile(base + ".str", serializer().serializeToString(*data, ',') + "\n");
      if (sample.csv) writeFile(base + ".csv", serializer().serializeToCsv(*data) + "\n");
    }
    yox::auto_ptr<yox::data::Data> empty = yox::data::DataFactory::createData();
    writeSeeds(root, "empty", *empty, false);
    // One small container per type keeps each seed short enough for the fuzzer to mutate.
    for (yox::data::DataType type : yox::testing::allDataTypes()) {
      yox::testing::RandomDataOptions options;
      options.maxExtent = 3;
      options.maxDepth = 1;
      options.specialFloats = true;
      options.csvSafe = true;
      const bool nested = type == yox::data::DT_DATA || type == yox::data::DT_DATA_ARRAY ||
                          type == yox::data::DT_DATA_ARRAY_2D || type == yox::data::DT_DATA_MULTI_ARRAY;
      if (nested) options.csvSafe = false;
      yox::testing::RandomDataGenerator generator(static_cast<uint32_t>(type) + 1, options);
      yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
      generator.appendEntry(*data, "e", type);
      writeSeeds(root, "type" + std::to_string(static_cast<int>(type)), *data, !nested);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_corpus: %s\n", error.what());
    return 1;
  }
  return 0;
}
