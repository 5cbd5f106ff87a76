#pragma once

// Stand-ins for what a window manager works with (browse lists, file drops, toolbar targets, a
// primary file, an error manager whose questions are answered from a list), shared by the
// window manager's tests with and without a display. Each records what was asked of it.

#include <framework/ErrorManager.h>
#include <framework/WindowManager.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wmtest {

class FakeBrowse : public framework::BrowseList {
public:
    int taken = 0;
    std::vector<std::uint8_t> resetSorts; ///< the force of each ResetSort
    int windowUpdates = 0;
    int kills = 0;
    bool needsRefresh = false;

    void TakeEvent() override { ++taken; }
    bool NeedsRefresh() override { return needsRefresh; }
    void ResetSort(std::uint8_t force) override { resetSorts.push_back(force); }
    void UpdateWindow() override { ++windowUpdates; }
    void SetAlerts() override { }
    void UpdateBuffer() override { }
    void Kill() override { ++kills; }
};

class FakeDrop : public framework::FileDropList {
public:
    int taken = 0;
    std::vector<std::uint8_t> resetQueues;
    int kills = 0;

    void TakeEvent() override { ++taken; }
    void ResetQueue(std::uint8_t force) override { resetQueues.push_back(force); }
    void Kill() override { ++kills; }
};

class FakeTarget : public framework::ToolbarTarget {
public:
    bool wantsToolbar = false;
    int displays = 0;
    int takes = 0;  ///< TakeToolbar
    int offers = 0; ///< TryTakeToolbar
    std::vector<std::int32_t*> events;

    void DisplayButtons() override { ++displays; }
    void TakeToolbar() override { ++takes; }
    bool TryTakeToolbar() override
    {
        ++offers;
        return wantsToolbar;
    }
    void TakeEvent(std::int32_t* scrollRequest) override { events.push_back(scrollRequest); }
};

class CountingRelay : public framework::ToolbarRelay {
public:
    int kills = 0;
    int events = 0;

    void Kill() override
    {
        ++kills;
        ToolbarRelay::Kill();
    }
    void TakeEvent(std::int32_t* scrollRequest) override
    {
        ++events;
        ToolbarRelay::TakeEvent(scrollRequest);
    }
};

class FakeResizer : public framework::WindowResizer {
public:
    int kills = 0;
    void Kill() override { ++kills; }
};

class FakeTranslator : public framework::Translator {
public:
    int translations = 0;
    void TranslateWindow() override { ++translations; }
};

/// A primary file whose record buffer is `record` (a form's variables may show it): saved
/// copies are kept by id, and each operation answers from its script (0 once it runs out).
class FakeRecord : public framework::PrimaryFile {
public:
    std::string record;
    std::map<std::uint16_t, std::string> copies;
    std::uint16_t nextId = 1;
    int restores = 0;

    int prepares = 0;
    int inserts = 0;
    int updates = 0;
    std::vector<std::string> written; ///< the buffer as each Update found it
    std::vector<bool> deletes;        ///< the `ask` of each Delete
    int cancelAutoIncs = 0;
    int primes = 0;
    std::vector<std::string> regets;
    std::deque<std::uint32_t> insertAnswers;
    std::deque<std::uint32_t> updateAnswers;
    std::deque<std::uint32_t> deleteAnswers;
    std::uint32_t cancelAutoIncAnswer = 0;
    std::uint32_t primeAnswer = 0;

    explicit FakeRecord(std::string initial = "Ana       ")
        : record(std::move(initial))
    {
    }

    std::uint16_t SaveBuffer() override
    {
        copies[nextId] = record;
        return nextId++;
    }
    void RestoreBuffer(std::uint16_t id) override
    {
        ++restores;
        const auto found = copies.find(id);
        if (found == copies.end())
            return;
        // In place: a window's controls may be bound to the buffer's bytes.
        record.replace(0, record.size(), found->second);
        copies.erase(found);
    }
    bool EqualsBuffer(std::uint16_t id) override
    {
        const auto found = copies.find(id);
        return found != copies.end() && found->second == record;
    }
    void Prepare() override { ++prepares; }
    std::uint32_t Insert() override
    {
        ++inserts;
        return Next(insertAnswers);
    }
    std::uint32_t Update(bool /*withHistory*/) override
    {
        ++updates;
        written.push_back(record);
        return Next(updateAnswers);
    }
    std::uint32_t Delete(bool ask) override
    {
        deletes.push_back(ask);
        return Next(deleteAnswers);
    }
    std::uint32_t CancelAutoInc() override
    {
        ++cancelAutoIncs;
        return cancelAutoIncAnswer;
    }
    std::uint32_t PrimeRecord() override
    {
        ++primes;
        if (primeAnswer == 0)
            std::fill(record.begin(), record.end(), ' ');
        return primeAnswer;
    }
    std::string Position() override { return "at:" + record; }
    void Reget(const std::string& position) override { regets.push_back(position); }

private:
    static std::uint32_t Next(std::deque<std::uint32_t>& answers)
    {
        if (answers.empty())
            return 0;
        const std::uint32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

/// An error manager with the built-in table whose boxes are recorded (by their text) and
/// answered from a list (0, "not shown", once it runs out).
class ScriptedErrors : public framework::ErrorManager {
public:
    struct Box {
        std::string text;
        std::uint32_t buttons = 0;
        std::uint32_t defaultButton = 0;
    };
    std::vector<Box> boxes;
    std::deque<std::uint32_t> answers;

    ScriptedErrors() { Setup(); }
    ~ScriptedErrors() override { Teardown(); }
    ScriptedErrors(const ScriptedErrors&) = delete;
    ScriptedErrors& operator=(const ScriptedErrors&) = delete;

    /// The messages shown, by number (looked up by their filled text).
    std::vector<std::uint16_t> Shown() const
    {
        std::vector<std::uint16_t> ids;
        for (const Box& box : boxes) {
            std::uint16_t id = 0;
            for (const framework::ErrorEntry& entry : Entries()) {
                if (FilledText(entry.id) == box.text)
                    id = entry.id;
            }
            ids.push_back(id);
        }
        return ids;
    }

protected:
    std::uint32_t ShowBox(std::string_view text, std::string_view /*title*/, std::uint32_t buttons,
        std::uint32_t defaultButton, std::uint32_t /*icon*/) override
    {
        boxes.push_back(Box { std::string(text), buttons, defaultButton });
        if (answers.empty())
            return 0;
        const std::uint32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace wmtest
