// libYOXClient.so is assembled from the yoxcore and yoxdata archives (whole
// archive); this unit only gives the shared library target a source of its own.
namespace {
[[maybe_unused]] const char kLibraryName[] = "libYOXClient";
}
