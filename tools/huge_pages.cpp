// The executable's allocation functions: a block of a few megabytes or
// more (a text as large as the document) is given to the kernel's huge
// pages where the system offers them on request (transparent huge pages
// in "madvise" mode).
//
// A conversion holds several such texts in turn, each in its own mapping
// (see main), and touches every page of each. Faulted in 4 KB at a time, a
// 16 MB document costs some 40,000 page faults, about a seventh of its
// time; in 2 MB pages it costs a few thousand. Only the part of a block
// that is written is ever committed, as before, rounded up to 2 MB.
//
// Hosts that link the library choose their own allocator; with glibc they
// can have the same effect with GLIBC_TUNABLES=glibc.malloc.hugetlb=1.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// Below two huge pages a block may hold no whole one.
constexpr std::size_t kAdviseFrom = 2 * kHugePage;

// Asks for huge pages over the whole 2 MB pages inside the block. The
// advice is only a hint: a refusal changes nothing.
void Advise(void* block, std::size_t size) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (start + size) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}
#else
constexpr std::size_t kAdviseFrom = static_cast<std::size_t>(-1);
void Advise(void*, std::size_t) noexcept {}
#endif

void* Allocate(std::size_t size) {
  for (;;) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
      if (size >= kAdviseFrom) Advise(block, size);
      return block;
    }
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
