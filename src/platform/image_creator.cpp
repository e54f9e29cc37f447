#include "platform/image_creator.hpp"

#include "text/errors.hpp"

namespace skeinlet::detail {
namespace {

// Reads no picture yet: every file is one that cannot be turned into a
// picture, which InsertImage treats as a failing statement.
class FileImageCreator final : public ImageCreator {
 public:
  Text CreateFromFile(Text&, std::int16_t&, std::int16_t&, std::int16_t,
                      std::int16_t, bool, TextView) override {
    RaiseError(Error::kInvalidCall);
  }
};

}  // namespace

std::unique_ptr<ImageCreator> CreateImageCreator() {
  return std::make_unique<FileImageCreator>();
}

}  // namespace skeinlet::detail
