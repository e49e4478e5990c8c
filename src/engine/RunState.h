#pragma once
// The words a search shares between the worker, the progress ticker and the
// window. Each is a single atomic word; no locks. The end of a run is claimed
// by one compare-and-exchange so a run gets exactly one final screen.

#include <QString>
#include <QtGlobal>

#include <atomic>

enum class PassKind : int { None = 0, General = 1, Thorough = 2 };

struct RunState {
    std::atomic<int> stop_now{0};                 // 1: the user asked to stop
    std::atomic<int> stop_screen_already_show{0}; // 1: this run's end is handled
    std::atomic<quint64> start_sector{0};
    std::atomic<quint64> end_sector{0};           // exclusive
    std::atomic<quint64> total_sector{0};
    std::atomic<quint64> for_index{0};            // next sector to read
    std::atomic<int> running_pass{0};             // PassKind of the pass running

    // Files listed since the results view was last cleared. Counted by the
    // host when it really lists a file; the engines read it to decide when
    // to clear the view.
    std::atomic<quint64> Listed_File_Count{0};

    // Photo identifiers: files found by general and thorough passes since the
    // program started. Never reset.
    std::atomic<quint64> GND_Image_number{0};
    std::atomic<quint64> THD_Image_number{0};

    // Sectors of the current run that could not be read (set at its end).
    std::atomic<quint64> unreadable_sectors{0};

    // Skipped sectors the reader still has to try again after the range.
    std::atomic<quint64> retry_left{0};

    // Claims the end of the run: true for the one caller that turned the flag
    // from 0 to 1, false when the end was already handled.
    bool claimRunEnd()
    {
        int expected = 0;
        return stop_screen_already_show.compare_exchange_strong(expected, 1);
    }
};

// Text of the pass label of the running pass (empty when none runs); while
// skipped sectors are being retried, says so and how many are left.
QString Curr_Running_Mode_Info(const RunState& state);
