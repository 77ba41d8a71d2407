#pragma once
// The private PostgreSQL cluster of the server tests (scripts/test_cluster.sh, started
// by ctest before these tests and stopped after them): each test gets a database of
// its own, dropped again when it ends, and reads what it wrote through libpq.

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::testing {

using SqlRow = std::vector<std::optional<std::string>>;

// One connection for reading and preparing a database; every failure fails the test.
class Pg {
  public:
    explicit Pg(const std::string& uri) : conn_(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) ADD_FAILURE() << PQerrorMessage(conn_);
    }
    ~Pg() { PQfinish(conn_); }
    Pg(const Pg&) = delete;
    Pg& operator=(const Pg&) = delete;

    std::vector<SqlRow> rows(const std::string& sql) {
        std::vector<SqlRow> out;
        PGresult* r = PQexec(conn_, sql.c_str());
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            ADD_FAILURE() << sql << ": " << PQresultErrorMessage(r);
        } else {
            for (int i = 0; i < PQntuples(r); ++i) {
                SqlRow row;
                for (int k = 0; k < PQnfields(r); ++k) {
                    if (PQgetisnull(r, i, k))
                        row.emplace_back();
                    else
                        row.emplace_back(PQgetvalue(r, i, k));
                }
                out.push_back(std::move(row));
            }
        }
        PQclear(r);
        return out;
    }

    void exec(const std::string& sql) { rows(sql); }

    long long count(const std::string& table) {
        const auto r = rows("SELECT count(*) FROM \"" + table + "\"");
        return r.empty() || !r[0][0] ? -1 : std::stoll(*r[0][0]);
    }

  private:
    PGconn* conn_;
};

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* dir = std::getenv("TARVO_TEST_SERVER_DIR");
        if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "no test cluster (run through ctest)";
        socketDir_ = dir;
        static std::atomic<int> serial{0};
        database_ = "t" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        Pg admin(uri("tarvo", "postgres"));
        admin.exec("CREATE DATABASE " + database_);
        Pg db(uri("tarvo"));
        db.exec("GRANT ALL ON SCHEMA public TO loader");
    }

    void TearDown() override {
        if (database_.empty()) return;
        Pg admin(uri("tarvo", "postgres"));
        admin.exec("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    }

    // A URI of this test's database (or of `database`) on the cluster's socket;
    // `user` may carry ":password".
    std::string uri(const std::string& user, const std::string& database = {}) const {
        return "postgresql://" + user + "@/" + (database.empty() ? database_ : database) +
               "?host=" + socketDir_;
    }

    std::string socketDir_;
    std::string database_;
};

}  // namespace tarvo::testing
