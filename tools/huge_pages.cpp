// The executable's allocation functions: a block of 256 KB or more (a
// text as large as the document or a good part of one, a tag list, a
// search index) starts on a 2 MB boundary, is rounded up to whole 2 MB
// pages, and is given to the kernel's huge pages where the system offers
// them on request (transparent huge pages in "madvise" mode).
//
// A conversion holds several such texts in turn and touches every page of
// each. Faulted in 4 KB at a time, a 1 MB Word document costs some 5,000
// page faults, a 16 MB one 40,000, and every scan over them misses the TLB
// far more often; in 2 MB pages the faults are a few hundred. Only the
// pages of a block that are written are ever committed, rounded up to
// 2 MB. Under a virtual machine one fault of a 4 KB page costs about a
// hundredth of a millisecond and one of a 2 MB page about fifteen
// hundredths, so a block is cheaper in huge pages from some 64 KB. From
// 256 KB a block commits at most eight times its size; the corpus's peak
// memory, summed over its documents, is within 1% of what it was with the
// threshold at 1 MB.
//
// Hosts that link the library choose their own allocator; with glibc they
// can have much of the same effect with GLIBC_TUNABLES=glibc.malloc.hugetlb=1.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kAlignFrom = std::size_t{256} << 10;

// A block of at least kAlignFrom: whole huge pages, asked for as such. The
// advice is only a hint: a refusal changes nothing. Null when there is no
// memory for it.
void* AllocateHuge(std::size_t size) noexcept {
  if (size > SIZE_MAX - kHugePage) return nullptr;
  const std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}
#else
constexpr std::size_t kAlignFrom = SIZE_MAX;
void* AllocateHuge(std::size_t) noexcept { return nullptr; }
#endif

void* Allocate(std::size_t size) {
  for (;;) {
    void* block = size >= kAlignFrom ? AllocateHuge(size) : std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) return block;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
// The forms that return null rather than throw (std::stable_sort asks for
// its buffer so) come here as well, so that every block the delete forms
// below free is one of ours; a sanitizer that stands in for the forms left
// out would otherwise be handed blocks it did not make.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
