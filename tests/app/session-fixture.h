#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/search-session.h"
#include "results/server-probe.h"
#include "results/server-tree.h"
#include "search/engine-health.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora::test {

// Notes what a person would see, in order.
class RecordingObserver : public SessionObserver {
public:
    std::vector<std::string> engineReports;
    std::vector<std::string> servers;
    int maxActive = 0;
    int resultEvents = 0;
    int lastCount = 0;

    std::vector<EngineReport> reports;
    void EngineReported(const std::string& engine, ItemState state, const EngineReport& report) override
    {
        engineReports.push_back(engine + ":" + std::to_string(state) + ":" + std::to_string(report.links));
        reports.push_back(report);
    }
    void ServerAdded(std::size_t group, const ServerItem& server) override
    {
        servers.push_back((group == kGroupFtp ? "FTP:" : "HTTP:") + server.text);
    }
    void ResultAccepted(const ResultEntry&, int count) override
    {
        ++resultEvents;
        lastCount = count;
    }
    void ActiveThreadsChanged(int count) override { maxActive = std::max(maxActive, count); }
    std::vector<std::string> verdicts;
    // Servers in the order their marks first changed: the order of dispatch.
    std::vector<std::string> firstMarked;
    void ServerMarkChanged(std::size_t group, std::size_t index) override
    {
        const std::string name = std::to_string(group) + ":" + std::to_string(index);
        if (std::find(firstMarked.begin(), firstMarked.end(), name) == firstMarked.end())
            firstMarked.push_back(name);
    }
    void ServerTested(std::size_t group, const ServerItem& server, const TestJob& job) override
    {
        verdicts.push_back((group == kGroupFtp ? "FTP:" : "HTTP:") + server.text + ":" + std::to_string(job.verdict));
    }
};

// A session in a fresh folder whose engines are routes of a local server.
class SessionTest : public ::testing::Test {
protected:
    TempDir dir;
    PageServer server;
    RecordingObserver observer;
    std::unique_ptr<SearchSession> session;
    // Short waits: the test's own servers answer at once or never.
    SessionLimits sessionLimits = [] {
        SessionLimits shorter;
        shorter.fetch.connectTimeoutSeconds = 5;
        shorter.fetch.lowSpeedSeconds = 2;
        shorter.fetch.totalTimeoutSeconds = 20;
        return shorter;
    }();

    // Each engine is a name and the path its query asks for; "%s" may
    // stand in the path. `ticked` false writes Search=N.
    struct Engine {
        std::string name;
        std::string path;
        bool ticked = true;
        std::string keys; // more lines of its section, each ending in "\n"
    };

    // Automatic tests stay off unless `general` turns them on: the made-up
    // servers of these pages must never be looked up.
    void Open(const std::vector<Engine>& engines, const std::string& general = "")
    {
        std::string text = "[Settings]\n" + general + "AutoTest=0\n";
        for (const Engine& engine : engines) {
            text += "[" + engine.name + "]\nQuery=" + server.Url(engine.path) + "\n";
            if (!engine.ticked)
                text += "Search=N\n";
            text += engine.keys;
        }
        WriteFile(dir.File("settings.dat"), text);
        session = std::make_unique<SearchSession>(dir.Path(), sessionLimits);
        session->SetObserver(&observer);
        session->Initialize();
    }

    // Handles messages until `done` holds; false when the deadline passed.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = std::chrono::seconds(20))
    {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= until)
                return false;
            if (auto message = session->GetQueue()->WaitTake(std::chrono::milliseconds(10)))
                session->HandleMessage(std::move(*message));
        }
        return true;
    }

    bool RunToEnd(const std::string& words)
    {
        session->OnSearch(words);
        return PumpUntil([&] { return !session->IsSearchRunning(); });
    }

    int Mark(std::size_t engine) { return session->GetEngines().GetEngineItem(engine)->state; }

    std::vector<std::string> ServersIn(std::size_t group)
    {
        std::vector<std::string> names;
        for (const ServerItem& item : session->GetServers().GetGroups()[group].servers)
            names.push_back(item.text);
        return names;
    }
};

inline std::string Anchor(const std::string& url, const std::string& text = "file")
{
    return "<a href=\"" + url + "\">" + text + "</a>\n";
}

} // namespace velmora::test
