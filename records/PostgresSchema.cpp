#include "records/PostgresSchema.h"

namespace mendora::records {

const std::vector<std::string>& ServerSchemaSteps() {
    static const std::vector<std::string> steps = {
        // 1: the runs of every station, keyed by run id, with their bad blocks and time per
        // phase, and the runs counted by day, verdict, reason and bad-block count for the
        // numbers; arrival keeps the order runs came in, for runs of the same second.
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
  capacity_bytes BIGINT NOT NULL,
  firmware_before TEXT NOT NULL,
  firmware_after TEXT NOT NULL,
  geometry TEXT NOT NULL,
  bytes_written BIGINT NOT NULL,
  bytes_read BIGINT NOT NULL,
  verdict TEXT NOT NULL,
  reason TEXT NOT NULL,
  status_code INTEGER NOT NULL,
  library_error BIGINT NOT NULL,
  host TEXT NOT NULL,
  program_version TEXT NOT NULL,
  recorded_at TEXT NOT NULL,
  total_blocks BIGINT NOT NULL,
  bad_block_count BIGINT NOT NULL,
  arrival BIGSERIAL,
  received_at TIMESTAMPTZ NOT NULL DEFAULT now()
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
  seconds DOUBLE PRECISION NOT NULL
);
CREATE TABLE run_counts (
  day TEXT NOT NULL,
  verdict TEXT NOT NULL,
  reason TEXT NOT NULL,
  bad_block_count BIGINT NOT NULL,
  runs BIGINT NOT NULL,
  PRIMARY KEY (day, verdict, reason, bad_block_count)
);
CREATE INDEX runs_by_stick ON runs(stick);
CREATE INDEX runs_by_time ON runs(recorded_at);
CREATE INDEX bad_blocks_by_run ON bad_blocks(run_id);
CREATE INDEX phase_seconds_by_run ON phase_seconds(run_id);
)sql",
    };
    return steps;
}

}  // namespace mendora::records
