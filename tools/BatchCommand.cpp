// corrtool batch: many pairs analysed on every core, one JSON line each in
// the manifest's order.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/Numbers.h"
#include "platform/Terminal.h"
#include "tools/Corrtool.h"
#include "tools/Manifest.h"

namespace {

constexpr int32_t kMaxJobs = 256;

struct BatchOptions {
    std::string manifest;
    int32_t jobs = 0;  // 0: every core
};

bool ParseBatch(const Args& args, BatchOptions& o, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        double n = 0;
        if (args[i] == "--jobs") {
            if (i + 1 >= args.size() || !platform::ParseWholeDouble(args[i + 1], n) || n < 1 || n > kMaxJobs ||
                n != static_cast<int32_t>(n))
                return err << "corrtool: --jobs 1 to " << kMaxJobs << '\n', false;
            o.jobs = static_cast<int32_t>(n);
            ++i;
        } else if (args[i].rfind("--", 0) == 0 || !o.manifest.empty()) {
            return err << "usage: corrtool batch MANIFEST [--jobs N]\n", false;
        } else {
            o.manifest = args[i];
        }
    }
    if (o.manifest.empty()) return err << "usage: corrtool batch MANIFEST [--jobs N]\n", false;
    return true;
}

// One pair's JSON line; failed says whether it is an error line.
std::string Analysed(const ManifestEntry& e, bool& failed) {
    std::ostringstream line;
    std::string error = e.error;
    if (error.empty()) {
        try {
            CResultOut r(line, true);
            r.Integer("line", e.line);
            RunAnalyzeJob(e.job, r);
            r.Finish();
            return failed = false, line.str();
        } catch (const std::exception& x) {
            error = x.what();
        }
    }
    std::ostringstream bad;
    CResultOut r(bad, true);
    r.Integer("line", e.line);
    r.Text("error", error);
    r.Finish();
    failed = true;
    return bad.str();
}

// Pairs taken in turn by the workers; the lines are written in manifest
// order as soon as each one and all before it are done.
class BatchRun {
public:
    explicit BatchRun(std::vector<ManifestEntry> entries)
        : m_entries(std::move(entries)), m_lines(m_entries.size()), m_done(m_entries.size(), false) {}

    bool Run(int32_t jobs, std::ostream& out, std::ostream* progress) {
        std::vector<std::thread> workers;
        for (int32_t j = 0; j < jobs; ++j) workers.emplace_back([this] { Work(); });
        bool anyFailed = false;
        for (size_t i = 0; i < m_entries.size(); ++i) {
            std::unique_lock lock(m_lock);
            m_ready.wait(lock, [&] { return m_done[i]; });
            out << m_lines[i];
            out.flush();
            anyFailed = anyFailed || m_failed[i];
            if (progress) *progress << "\rbatch: " << i + 1 << '/' << m_entries.size() << std::flush;
        }
        for (std::thread& t : workers) t.join();
        if (progress && !m_entries.empty()) *progress << '\n';
        return !anyFailed;
    }

private:
    void Work() {
        for (size_t i; (i = m_next++) < m_entries.size();) {
            bool failed = false;
            std::string line = Analysed(m_entries[i], failed);
            std::lock_guard lock(m_lock);
            m_lines[i] = std::move(line);
            m_failed[i] = failed;
            m_done[i] = true;
            m_ready.notify_all();
        }
    }

    std::vector<ManifestEntry> m_entries;
    std::vector<std::string> m_lines;
    std::vector<bool> m_done;
    std::vector<bool> m_failed = std::vector<bool>(m_entries.size(), false);
    std::atomic<size_t> m_next{0};
    std::mutex m_lock;
    std::condition_variable m_ready;
};

}  // namespace

int CmdBatch(const Args& args, std::ostream& out, std::ostream& err) {
    BatchOptions o;
    if (!ParseBatch(args, o, err)) return 2;
    std::ifstream manifest(o.manifest);
    if (!manifest.is_open()) {
        err << "corrtool: cannot open " << o.manifest << '\n';
        return 1;
    }
    const std::string folder = std::filesystem::path(o.manifest).parent_path().string();
    std::vector<ManifestEntry> entries = ReadManifest(manifest, folder);
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    const int32_t jobs = std::min<int32_t>(o.jobs > 0 ? o.jobs : cores, std::max<size_t>(entries.size(), 1));
    BatchRun run(std::move(entries));
    const bool ok = run.Run(jobs, out, platform::StderrIsTerminal() ? &err : nullptr);
    return ok ? 0 : 1;
}
