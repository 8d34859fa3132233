#include "files/DeviceLoad.h"

#include "device/DeviceTypes.h"
#include "platform/Numbers.h"

LoadLines ReadLoadLines(const std::vector<std::string>& lines, NameForm names) {
    LoadLines out;
    out.lines.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        RegisterLine parsed = ParseRegisterLine(CleanRegisterLine(lines[i]), names);
        if (parsed.fault == LineFault::Blank)
            continue;
        if (parsed.fault == LineFault::None && parsed.reg > LastDeviceRegister)
            parsed.fault = LineFault::BadName;
        if (parsed.fault != LineFault::None) {
            out.fault = parsed.fault;
            out.line = i;
            out.lines.clear();
            return out;
        }
        out.lines.push_back({parsed.reg, parsed.value, i});
    }
    return out;
}

namespace {

class Planner {
public:
    std::vector<LoadStep> steps;

    void Add(const LoadLine& line) {
        if (runValues_.size() == LoadRunLength)
            CloseRun(true, line.line);
        if (runValues_.empty()) {
            StartRun(line);
        } else if (line.reg == runStart_ + runValues_.size()) {
            runValues_.push_back(line.value);
        } else {
            // The line that breaks a run goes out by itself.
            CloseRun(false, line.line);
            Write(line.reg, line.value, line.line, false);
        }
    }

    void Unlock(const LoadLine& first, const LoadLine& second) {
        CloseRun(false, first.line);
        Write(UnlockRegister, UnlockFirstCode, first.line, true);
        steps.push_back({LoadStepKind::Pause, UnlockRegister, {}, first.line, false, false});
        Write(UnlockRegister, UnlockSecondCode, first.line, true);
        StartRun(second);
    }

    void Skip(const LoadLine& line) {
        steps.push_back({LoadStepKind::Skip, line.reg, {line.value}, line.line, false, false});
    }

    void Finish(std::size_t lastLine) {
        if (!runValues_.empty()) {
            const std::size_t before = steps.size();
            CloseRun(false, lastLine);
            steps[before].closing = true;
        }
        steps.push_back({LoadStepKind::Relock, UnlockRegister, {0}, lastLine, true, false});
    }

private:
    void StartRun(const LoadLine& line) {
        runStart_ = line.reg;
        runValues_ = {line.value};
    }

    void Write(uint32_t reg, uint32_t value, std::size_t line, bool registerMemo) {
        steps.push_back({LoadStepKind::Write, reg, {value}, line, registerMemo, false});
    }

    // A full run of 10 names its registers "Register: " when they fail.
    void CloseRun(bool full, std::size_t line) {
        if (runValues_.size() == 1)
            Write(runStart_, runValues_.front(), line, false);
        else if (runValues_.size() > 1)
            steps.push_back({LoadStepKind::Block, runStart_, runValues_, line, full, false});
        runValues_.clear();
    }

    uint32_t runStart_ = 0;
    std::vector<uint32_t> runValues_;
};

bool IsUnlockPair(const std::vector<LoadLine>& lines, std::size_t i) {
    return i + 1 < lines.size() && lines[i].value == UnlockFirstCode &&
           lines[i + 1].reg == UnlockRegister && lines[i + 1].value == UnlockSecondCode;
}

} // namespace

std::vector<LoadStep> PlanDeviceLoad(const std::vector<LoadLine>& lines) {
    Planner plan;
    bool unlocked = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LoadLine& line = lines[i];
        if (line.reg != UnlockRegister) {
            plan.Add(line);
        } else if (!unlocked && IsUnlockPair(lines, i)) {
            plan.Unlock(line, lines[i + 1]);
            unlocked = true;
            ++i;
        } else {
            plan.Skip(line);
        }
    }
    plan.Finish(lines.empty() ? 0 : lines.back().line);
    return plan.steps;
}

std::string DeviceTypeName(uint32_t code) {
    uint32_t index = 0;
    if (FindDeviceType(code, index) && !ModelNames[index].empty())
        return ModelNames[index];
    return Hex4(code & 0xFFFF);
}
