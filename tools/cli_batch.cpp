#include "cli_batch.hpp"

#include <unistd.h>

#include <skeinlet/convert.hpp>
#include <skeinlet/error.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "cli_run.hpp"

namespace skeinlet::cli {
namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const fs::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

bool IsInputKind(const Subcommand& command, const fs::path& p) {
  const std::string ext = LowerExtension(p);
  switch (command.method) {
    case Method::ConvertHTML2RTF:
      return ext == ".html" || ext == ".htm";
    case Method::ConvertPlainHTML:
      return ext == ".txt";
    default:
      return ext == ".rtf";
  }
}

std::string Shown(const fs::path& p) { return "'" + p.string() + "'"; }

std::string Size(double bytes) {
  char buf[32];
  if (bytes >= 1e9) std::snprintf(buf, sizeof buf, "%.1f GB", bytes / 1e9);
  else if (bytes >= 1e6) std::snprintf(buf, sizeof buf, "%.1f MB", bytes / 1e6);
  else std::snprintf(buf, sizeof buf, "%.0f kB", bytes / 1e3);
  return buf;
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

void Line(std::FILE* err, const std::string& text) {
  const std::string line = "skeinlet: " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), err);
  std::fflush(err);
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open input file " + Shown(p));
  // Read at once into a block of the file's size, then whatever it may
  // hold beyond that.
  std::string bytes;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(p, ec);
  if (!ec && size > 0 && size < bytes.max_size()) {
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (in.good()) bytes.append(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) throw std::runtime_error("cannot read input file " + Shown(p));
  return bytes;
}

void WriteFile(const fs::path& p, const std::string& bytes, bool force) {
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  if (ec) throw std::runtime_error("cannot create folder " + Shown(p.parent_path()) + ": " + ec.message());
  if (!force && fs::exists(fs::symlink_status(p)))
    throw std::runtime_error("output file " + Shown(p) + " exists (use --force to replace it)");
  // Written beside the target and renamed, so that an interrupted batch
  // leaves no half-written document under the real name.
  fs::path partial = p;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot open output file " + Shown(partial));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(partial, ec);
      throw std::runtime_error("cannot write output file " + Shown(partial));
    }
  }
  fs::rename(partial, p, ec);
  if (ec) {
    fs::remove(partial, ec);
    throw std::runtime_error("cannot write output file " + Shown(p));
  }
}

// Shared by the workers and the progress line.
struct Progress {
  std::size_t total = 0;
  std::uintmax_t totalBytes = 0;
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<std::size_t> failed{0};
  std::atomic<std::uintmax_t> bytesDone{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;  // guards the error stream and `finished`
  std::condition_variable wake;
  bool finished = false;
};

std::string ProgressLine(const Progress& pr, double elapsed) {
  const std::size_t done = pr.done.load();
  const double bytes = static_cast<double>(pr.bytesDone.load());
  const double rate = elapsed > 0 ? bytes / elapsed : 0;
  constexpr int kWidth = 24;
  const int filled = pr.total ? static_cast<int>(kWidth * done / pr.total) : kWidth;
  std::string bar(static_cast<std::size_t>(filled), '=');
  bar.resize(kWidth, ' ');
  std::string line = "[" + bar + "] " + std::to_string(done) + "/" + std::to_string(pr.total) +
                     " documents, " + Size(bytes) + ", " + Size(rate) + "/s";
  if (rate > 0 && pr.totalBytes > bytes)
    line += ", " + Clock((static_cast<double>(pr.totalBytes) - bytes) / rate) + " left";
  if (pr.failed.load()) line += ", " + std::to_string(pr.failed.load()) + " failed";
  return line;
}

}  // namespace

std::string OutputExtension(const Subcommand& command) {
  switch (command.method) {
    case Method::ConvertHTML2RTF: return ".rtf";
    case Method::ConvertRTFPlain: return ".txt";
    case Method::ConvertRTFXHTML: return ".xhtml";
    default: return ".html";
  }
}

std::vector<BatchItem> PlanBatch(const Invocation& inv) {
  const Subcommand& command = *inv.command;
  const fs::path outDir(*inv.out_dir);
  const std::string ext = OutputExtension(command);
  std::vector<BatchItem> items;
  for (const std::string& name : inv.inputs) {
    const fs::path input(name);
    std::error_code ec;
    const fs::file_status st = fs::status(input, ec);
    if (fs::is_directory(st)) {
      std::vector<fs::path> found;
      // Symbolic links to folders are not followed, so a loop of links
      // cannot make the walk endless.
      for (fs::recursive_directory_iterator it(input, fs::directory_options::skip_permission_denied, ec), end;
           !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && IsInputKind(command, it->path())) found.push_back(it->path());
      }
      if (ec) throw UsageError("cannot read folder " + Shown(input) + ": " + ec.message());
      std::sort(found.begin(), found.end());
      for (const fs::path& p : found) {
        fs::path out = outDir / p.lexically_relative(input);
        out.replace_extension(ext);
        items.push_back({p, out});
      }
    } else if (fs::exists(st)) {
      fs::path out = outDir / input.filename();
      out.replace_extension(ext);
      items.push_back({input, out});
    } else {
      throw UsageError("input " + Shown(input) + " does not exist");
    }
  }
  return items;
}

int RunBatch(const Invocation& inv, std::FILE* err) noexcept {
  try {
    std::vector<BatchItem> items;
    try {
      items = PlanBatch(inv);
    } catch (const UsageError& e) {
      Line(err, e.what());
      return kExitUsage;
    }
    Progress pr;
    pr.total = items.size();
    for (const BatchItem& item : items) {
      std::error_code ec;
      const auto size = fs::file_size(item.input, ec);
      if (!ec) pr.totalBytes += size;
    }
    const bool showProgress =
        inv.progress == Invocation::Progress::Always ||
        (inv.progress == Invocation::Progress::Auto && isatty(fileno(err)));
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    bool lineShown = false;  // a progress line without its line break is on screen
    auto report = [&](const std::string& text) {  // called with the mutex held
      if (lineShown) std::fputs("\r\033[K", err);
      lineShown = false;
      Line(err, text);
    };

    auto worker = [&] {
      for (;;) {
        if (pr.stop.load()) return;
        const std::size_t i = pr.next.fetch_add(1);
        if (i >= items.size()) return;
        const BatchItem& item = items[i];
        std::string failure;
        std::uintmax_t bytes = 0;
        try {
          Text document;
          {
            // The bytes go as soon as they are decoded, as for a single
            // document: the conversion needs only the text.
            const std::string input = ReadFile(item.input);
            bytes = input.size();
            document = DecodeInput(input, inv.encoding);
          }
          const Text result = ConvertDocument(inv, std::move(document));
          WriteFile(item.output, EncodeOutput(*inv.command, result), inv.force);
        } catch (const skeinlet::Error& e) {
          failure = "error " + std::to_string(e.number()) + ": " + e.description();
        } catch (const std::bad_alloc&) {
          failure = "out of memory";
        } catch (const std::exception& e) {
          failure = e.what();
        }
        pr.bytesDone += bytes;
        if (!failure.empty()) {
          for (char& c : failure)
            if (c == '\r' || c == '\n') c = ' ';
          pr.failed++;
          std::lock_guard lock(pr.mutex);
          report(item.input.string() + ": " + failure);
          if (!inv.keep_going) pr.stop = true;
        }
        pr.done++;
      }
    };

    const unsigned n = std::max(1u, std::min<unsigned>(inv.jobs, static_cast<unsigned>(std::max<std::size_t>(items.size(), 1))));
    std::vector<std::thread> threads;
    threads.reserve(n);
    for (unsigned t = 0; t < n; ++t) threads.emplace_back(worker);

    std::thread ticker;
    if (showProgress) {
      ticker = std::thread([&] {
        std::unique_lock lock(pr.mutex);
        // Drawn at least once, so that a batch done before the ticker
        // starts still shows its line.
        for (;;) {
          const std::string line = ProgressLine(pr, elapsed());
          std::fputs(("\r\033[K" + line).c_str(), err);
          std::fflush(err);
          lineShown = true;
          if (pr.finished) break;
          pr.wake.wait_for(lock, std::chrono::milliseconds(200));
        }
      });
    }
    for (std::thread& t : threads) t.join();
    {
      std::lock_guard lock(pr.mutex);
      pr.finished = true;
    }
    pr.wake.notify_all();
    if (ticker.joinable()) ticker.join();

    const std::size_t failed = pr.failed.load();
    const std::size_t converted = pr.done.load() - failed;
    char rate[64];
    std::snprintf(rate, sizeof rate, " in %.1f s", elapsed());
    std::string summary = "converted " + std::to_string(converted) + " of " +
                          std::to_string(items.size()) + " documents (" +
                          Size(static_cast<double>(pr.bytesDone.load())) + ")" + rate;
    if (failed) summary += ", " + std::to_string(failed) + " failed";
    if (pr.stop.load() && pr.done.load() < items.size())
      summary += ", stopped at the first failure (--keep-going goes on)";
    {
      std::lock_guard lock(pr.mutex);
      report(summary);
    }
    return failed ? kExitFailure : kExitOk;
  } catch (const std::exception& e) {
    Line(err, e.what());
  } catch (...) {
    Line(err, "unexpected failure");
  }
  return kExitFailure;
}

}  // namespace skeinlet::cli
