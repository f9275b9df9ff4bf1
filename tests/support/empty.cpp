// Keeps the test-support library non-empty while it holds only headers.
namespace {
[[maybe_unused]] const int kSupport = 0;
}
