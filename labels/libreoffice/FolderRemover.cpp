#include "labels/libreoffice/FolderRemover.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

class Worker
{
public:
    Worker()
        : m_thread([this] { run(); })
    {
    }
    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void add(std::string folder)
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(folder));
        }
        m_wake.notify_all();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and nothing left
            const std::string folder = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    bool m_stop = false;
    std::thread m_thread;
};

Worker &worker()
{
    static Worker instance;
    return instance;
}

std::atomic<unsigned> g_counter{0};

} // namespace

namespace FolderRemover {

void removeLater(const QString &folder)
{
    const QByteArray from = QFile::encodeName(folder);
    const QByteArray trash = QFile::encodeName(
        QFileInfo(folder).absolutePath() + QStringLiteral("/%1-trash-%2").arg(::getpid()).arg(g_counter.fetch_add(1)));
    if (std::rename(from.constData(), trash.constData()) == 0) {
        worker().add(trash.toStdString());
        return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(from.toStdString(), ignored);
}

} // namespace FolderRemover
