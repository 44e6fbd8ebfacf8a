#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/scsi/DriveNamespace.h"
#include "records/RecordSettings.h"
#include "tools/station/DriveRow.h"

namespace mendora::station {

class WindowLink;
struct StationTexts;

struct StationOptions {
    std::vector<std::string> vdrives;  // images; when empty, the drive namespace's drives
    std::vector<std::string> drives;   // names to take of those; empty: all
    std::string jsonFile;
    std::string mapDirectory;
    double silenceSeconds = 30;        // a worker silent this long is ended
    double replugSeconds = 300;
    double interval = 2;               // between plain lines on a pipe
    bool unmount = false;              // workers end the system's uses of their drives first
    records::RecordSettings records;   // where each drive's record goes, and when a stick is retired
    std::string certify;               // "quick" or "full": certify each repaired drive; empty: not
};

// Runs one worker per drive and follows them to their end: the live table, the interrupt,
// the workers that crash or stop answering, the reports.
class Station {
public:
    Station(StationOptions options, std::FILE* out, bool terminal);

    // The drives to repair; false with the reason when a named drive does not exist.
    bool FindDrives(std::string* error);
    bool Empty() const { return rows_.empty(); }
    // Whether each drive's map can be drawn in the maps' directory; false with the reason.
    bool CheckMapFiles(std::string* error) const;
    // Repairs them all with workers run from `executable`, their diagnostics in logDirectory.
    // Answers the exit status: 0 every drive repaired, 1 some not.
    int Run(const std::string& executable, const std::string& logDirectory);
    // Identifies every drive in its own worker and prints what each is, touching nothing
    // else. Answers the exit status: 0 when every drive identified, 1 when some did not.
    int List(const std::string& executable, const std::string& logDirectory);
    // Follows the drives for the station's window until it is closed: starts them when the
    // window says so (or as they arrive, with auto-start on), marks those pulled out, stops
    // them on Stop or close, and writes the reports whenever every worker has ended.
    // Answers the exit status: 0 every drive started was repaired, 1 some not.
    int RunWindowed(const std::string& executable, const std::string& logDirectory, WindowLink& link,
                    const StationTexts& texts);
    std::size_t DriveCount() const { return rows_.size(); }
    // One line per drive to be repaired: its name, port and serial.
    std::vector<std::string> DriveLines() const;
    // The user's `count`th request to stop: the first asks every worker to stop, a later one
    // is told what the station still waits for. From any thread.
    static void Interrupt(int count = 1);
    static int Interrupts();

private:
    void Add(const platform::DriveEntry& entry);
    void StartWorkers(const std::string& executable, const std::string& logDirectory,
                      const std::vector<std::string>& extraArgs = {});
    void StartWorker(DriveRow& row, const std::string& executable, const std::string& logDirectory,
                     const std::vector<std::string>& extraArgs = {});
    std::vector<platform::DriveEntry> CurrentDrives() const;
    void FollowDriveChanges(const std::string& executable, const std::string& logDirectory, bool autoStart);
    void Publish(WindowLink& link, const StationTexts& texts, bool ended, int status);
    void Forward();
    std::string Waiting() const;
    void Poll();
    void Take(DriveRow& row, double now);
    void Watch(double now);
    void Draw(double now);
    void Summary();
    bool WriteReports();
    void KeepRecords();
    bool Busy() const;
    void ReleaseWorkers();

    StationOptions options_;
    std::FILE* out_;
    bool terminal_;
    std::vector<std::unique_ptr<DriveRow>> rows_;
    int stopsSeen_ = 0;
    double nextDraw_ = 0;
    std::size_t drawnLines_ = 0;
};

double Seconds();

// A file name for a drive's own files: the letter of a drive named "E:"; any other name with
// every character that is not a letter or a digit made '_'.
std::string DriveFileStem(const std::string& driveName);
// Where a drive's bad-block map is drawn: <directory>/<stem>.png.
std::string MapFileOf(const std::string& directory, const std::string& driveName);

}  // namespace mendora::station
