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
            Write(line.reg, line.value, line.line);
        }
    }

    // The unlock step of the line with the first code; second, when given,
    // starts a run with the second code.
    void Unlock(const LoadLine& first, const LoadLine* second) {
        CloseRun(false, first.line);
        Write(UnlockRegister, UnlockFirstCode, first.line);
        steps.push_back({LoadStepKind::Pause, UnlockRegister, {}, first.line, false, false});
        Write(UnlockRegister, UnlockSecondCode, first.line);
        if (second)
            StartRun(*second);
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
        steps.push_back(
            {LoadStepKind::Relock, UnlockRegister, {RelockValue}, lastLine, false, false});
    }

private:
    void StartRun(const LoadLine& line) {
        runStart_ = line.reg;
        runValues_ = {line.value};
    }

    void Write(uint32_t reg, uint32_t value, std::size_t line) {
        steps.push_back({LoadStepKind::Write, reg, {value}, line, false, false});
    }

    // A full run of 10 names its registers "Register: " when they fail.
    void CloseRun(bool full, std::size_t line) {
        if (runValues_.size() == 1)
            Write(runStart_, runValues_.front(), line);
        else if (runValues_.size() > 1)
            steps.push_back({LoadStepKind::Block, runStart_, runValues_, line, full, false});
        runValues_.clear();
    }

    uint32_t runStart_ = 0;
    std::vector<uint32_t> runValues_;
};

bool IsSecondCode(const std::vector<LoadLine>& lines, std::size_t i) {
    return i < lines.size() && lines[i].reg == UnlockRegister && lines[i].value == UnlockSecondCode;
}

} // namespace

std::vector<LoadStep> PlanDeviceLoad(const std::vector<LoadLine>& lines) {
    Planner plan;
    bool unlocked = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LoadLine& line = lines[i];
        if (line.reg != UnlockRegister) {
            plan.Add(line);
        } else if (!unlocked && line.value == UnlockFirstCode) {
            unlocked = true;
            const bool second = IsSecondCode(lines, i + 1);
            plan.Unlock(line, second ? &lines[i + 1] : nullptr);
            if (second)
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
    if (FindDeviceType(code, index) && !ModelNames[index].empty()) {
        // A model without a variant keeps a blank in the table; the text
        // names the model alone.
        std::string name = ModelNames[index];
        name.erase(name.find_last_not_of(' ') + 1);
        return name;
    }
    return Hex4(code & 0xFFFF);
}
