#include "records/SqliteSchema.h"

namespace mendora::records {

const std::vector<std::string>& SchemaSteps() {
    static const std::vector<std::string> steps = {
        // 1: a run per drive, its bad blocks and its time per phase.
        R"sql(
CREATE TABLE runs (
  run_id TEXT PRIMARY KEY,
  stick TEXT NOT NULL,
  serial TEXT NOT NULL,
  port TEXT NOT NULL,
  drive TEXT NOT NULL,
  description TEXT NOT NULL,
  chip_id INTEGER NOT NULL,
  chip_version INTEGER NOT NULL,
  flash_id TEXT NOT NULL,
  capacity_bytes INTEGER NOT NULL,
  firmware_before TEXT NOT NULL,
  firmware_after TEXT NOT NULL,
  geometry TEXT NOT NULL,
  bytes_written INTEGER NOT NULL,
  bytes_read INTEGER NOT NULL,
  verdict TEXT NOT NULL,
  reason TEXT NOT NULL,
  status_code INTEGER NOT NULL,
  library_error INTEGER NOT NULL,
  host TEXT NOT NULL,
  program_version TEXT NOT NULL,
  recorded_at TEXT NOT NULL
);
CREATE TABLE bad_blocks (
  run_id TEXT NOT NULL REFERENCES runs(run_id),
  chip INTEGER NOT NULL,
  block INTEGER NOT NULL,
  why TEXT NOT NULL
);
CREATE TABLE phase_seconds (
  run_id TEXT NOT NULL REFERENCES runs(run_id),
  phase TEXT NOT NULL,
  seconds REAL NOT NULL
);
CREATE INDEX runs_by_stick ON runs(stick);
)sql",
        // 2: the blocks of the drive and its bad-block count kept on the run; the runs counted
        // by day, verdict, reason and bad-block count, kept up with every record, so that the
        // numbers over a lab's years of runs read a few rows instead of every run (the reason
        // of a repaired run is left out there: it is only ever a retire's own text); lookups
        // by port, by date and of a run's blocks and times by index.
        R"sql(
ALTER TABLE runs ADD COLUMN total_blocks INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN bad_block_count INTEGER NOT NULL DEFAULT 0;
UPDATE runs SET bad_block_count = (SELECT count(*) FROM bad_blocks b WHERE b.run_id = runs.run_id);
UPDATE runs SET total_blocks = coalesce(json_extract(geometry, '$.chips') * json_extract(geometry, '$.blocks_per_chip'), 0)
  WHERE json_valid(geometry);
CREATE INDEX runs_by_port ON runs(port);
CREATE INDEX runs_by_time ON runs(recorded_at);
CREATE INDEX bad_blocks_by_run ON bad_blocks(run_id);
CREATE INDEX phase_seconds_by_run ON phase_seconds(run_id);
CREATE TABLE run_counts (
  day TEXT NOT NULL,
  verdict TEXT NOT NULL,
  reason TEXT NOT NULL,
  bad_block_count INTEGER NOT NULL,
  runs INTEGER NOT NULL,
  PRIMARY KEY (day, verdict, reason, bad_block_count)
) WITHOUT ROWID;
INSERT INTO run_counts
  SELECT substr(recorded_at, 1, 10), verdict,
         CASE WHEN verdict IN ('repaired', 'repaired, retire') THEN '' ELSE reason END, bad_block_count, count(*)
  FROM runs GROUP BY 1, 2, 3, 4;
)sql",
        // 3: the records still to be sent to the lab's server, in the order they were kept.
        // Runs from before a server was set are not queued.
        R"sql(
CREATE TABLE outbox (
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  run_id TEXT NOT NULL UNIQUE REFERENCES runs(run_id)
);
)sql",
    };
    return steps;
}

}  // namespace mendora::records
