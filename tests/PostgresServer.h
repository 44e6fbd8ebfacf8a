#pragma once
// A PostgreSQL server of the test's own: made with initdb in a temporary directory, its
// unix socket there and TCP on 127.0.0.1 alone, run as nobody when the test runs as root
// (the server refuses root). Local socket connections are trusted (the test's own
// superuser); connections over TCP need the password (scram-sha-256). Stopped and removed
// with the object.
#include <arpa/inet.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace mendora::testing {

class PostgresServer {
public:
    static constexpr const char* kUser = "lab";
    static constexpr const char* kPassword = "lab-secret-7";

    // Where initdb and pg_ctl are: Debian's versioned folder, else the PATH. Empty when absent.
    static std::string BinDirectory() {
        std::vector<std::string> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error))
            if (std::filesystem::exists(entry.path() / "bin/initdb") && std::filesystem::exists(entry.path() / "bin/pg_ctl"))
                found.push_back((entry.path() / "bin").string());
        std::sort(found.begin(), found.end());
        if (!found.empty()) return found.back();
        const char* path = std::getenv("PATH");
        std::string rest = path ? path : "";
        for (std::size_t start = 0; start <= rest.size();) {
            const std::size_t end = std::min(rest.find(':', start), rest.size());
            const std::string dir = rest.substr(start, end - start);
            if (!dir.empty() && ::access((dir + "/initdb").c_str(), X_OK) == 0 &&
                ::access((dir + "/pg_ctl").c_str(), X_OK) == 0)
                return dir;
            start = end + 1;
        }
        return "";
    }

    // Makes and starts the server; Ready() says whether it did, Problem() why not.
    PostgresServer() { Make(); }
    ~PostgresServer() {
        if (!dir_.empty()) {
            Stop();
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Problem() const { return problem_; }
    int Port() const { return port_; }

private:
    void Make() {
        bin_ = BinDirectory();
        if (bin_.empty()) return Fail("initdb and pg_ctl are not installed (Debian: postgresql)");
        char pattern[] = "/tmp/mendora-pg-XXXXXX";
        if (!::mkdtemp(pattern)) return Fail("no temporary directory");
        dir_ = pattern;
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody) return Fail("no user nobody to run the server as");
            uid_ = nobody->pw_uid, gid_ = nobody->pw_gid;
            if (::chown(dir_.c_str(), uid_, gid_) != 0) return Fail("cannot give the directory to nobody");
        }
        port_ = FreePort();
        if (Run({bin_ + "/initdb", "-D", dir_ + "/data", "-U", "postgres", "-A", "trust", "--auth-host=scram-sha-256",
                 "--no-sync", "-E", "UTF8", "--locale=C"}) != 0)
            return Fail("initdb failed (see " + dir_ + "/commands.log)");
        if (!Start()) return Fail("the server did not start (see " + dir_ + "/server.log)");
        if (!Admin("postgres", std::string("CREATE ROLE ") + kUser + " LOGIN PASSWORD '" + kPassword + "'") ||
            !CreateDatabase(kUser))
            return Fail("the lab's role and database cannot be made");
        ready_ = true;
    }

public:
    bool Start() {
        const std::string options = "-k " + dir_ + " -c listen_addresses=127.0.0.1 -p " + std::to_string(port_) +
                                    " -c fsync=off -c full_page_writes=off -c max_connections=40";
        return Run({bin_ + "/pg_ctl", "-D", dir_ + "/data", "-l", dir_ + "/server.log", "-w", "-t", "60", "-o",
                    options, "start"}) == 0;
    }
    bool Stop() { return Run({bin_ + "/pg_ctl", "-D", dir_ + "/data", "-m", "fast", "-w", "stop"}) == 0; }

    // The lab's address over TCP with `password`, database `database`.
    std::string Address(const std::string& password = kPassword, const std::string& database = kUser) const {
        return std::string("postgresql://") + kUser + ":" + password + "@127.0.0.1:" + std::to_string(port_) + "/" +
               database;
    }

    bool CreateDatabase(const std::string& name) {
        return Admin("postgres", "CREATE DATABASE " + name + " OWNER " + kUser);
    }

    // Runs `sql` as the superuser over the socket; false when it fails.
    bool Admin(const std::string& database, const std::string& sql) {
        PGconn* c = Connect(database);
        PGresult* r = PQexec(c, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
        PQfinish(c);
        return ok;
    }

    // The one number `sql` answers in `database`; -1 when it cannot.
    long long Number(const std::string& database, const std::string& sql) {
        PGconn* c = Connect(database);
        PGresult* r = PQexec(c, sql.c_str());
        const long long value =
            PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 ? std::atoll(PQgetvalue(r, 0, 0)) : -1;
        PQclear(r);
        PQfinish(c);
        return value;
    }

private:
    void Fail(const std::string& why) { problem_ = why; }

    PGconn* Connect(const std::string& database) const {
        const std::string info = "host=" + dir_ + " port=" + std::to_string(port_) + " user=postgres dbname=" + database;
        return PQconnectdb(info.c_str());
    }

    static int FreePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        ::close(s);
        return port;
    }

    // Runs a command (as nobody when the test is root), its output into commands.log.
    int Run(std::vector<std::string> args) const {
        if (::geteuid() == 0)
            args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                                       "--regid=" + std::to_string(gid_), "--clear-groups", "--"});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string log = dir_ + "/commands.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string bin_;
    std::string dir_;
    std::string problem_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    int port_ = 0;
    bool ready_ = false;
};

}  // namespace mendora::testing
