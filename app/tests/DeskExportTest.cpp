// The export command end to end: every row of a 10,000-row result to files in each format, the
// same bytes as quarlo writes for the statement, the grid's page kept, and a cancelled export.
#include <QFileDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <fstream>

#include "DeskFixture.h"
#include "core/QueryFile.h"
#include "kokit/Codepage.h"

namespace quarlodesk::testing {
namespace {

// One line, so that the editor sends it exactly as quarlo does.
std::string Statement(Db db) {
  const std::string value =
      "'名称,' || i || ' \"引号\"' || char(13) || char(10) || '第二行' || char(9) || '\\'";
  if (db == Db::Postgres) {
    std::string v = value;
    for (size_t at; (at = v.find("char(")) != std::string::npos;) v.replace(at, 4, "chr");
    return "select i as 编号, " + v + " as 文本 from generate_series(1, 10000) as i";
  }
  return "with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000) "
         "select i as 编号, " +
         value + " as 文本 from n";
}

// Names the file and picks the format in the export dialog.
Expected ExportTo(const std::filesystem::path& path, int filter) {
  return {"cdExport", [path, filter](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            dialog->selectNameFilter(dialog->nameFilters().at(filter));
            w->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
            QMetaObject::invokeMethod(w, "accept");
          }};
}

// Presses the progress dialog's cancel button once `cancelAt` rows are written.
Expected CancelAt(int cancelAt) {
  return {"dlgExport", [cancelAt](QWidget* w) {
            auto* timer = new QTimer(w);
            QObject::connect(timer, &QTimer::timeout, w, [w, cancelAt] {
              auto* box = qobject_cast<QProgressDialog*>(w);
              if (box->labelText().remove(QRegularExpression("\\D")).toInt() >= cancelAt) {
                box->cancel();
              }
            });
            timer->start(1);
          }};
}

class DeskExport : public DeskStory {
 protected:
  void SetUp() override {
    DeskStory::SetUp();
    if (desk_) desk_->Answers().Tolerate("dlgExport");
  }

  // What quarlo prints for the statement in `format`.
  std::string Quarlo(const std::string& format, const std::string& sql) {
    const LoginFields f = site_.Login(GetParam());
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    QStringList args{"--site", q(f.site), "-q", "--format", q(format), "--database", q(f.database)};
    const bool pg = GetParam() == Db::Postgres;
    args << "--type" << (pg ? "sqlserver" : "access");
    if (pg) args << "--server" << q(f.server) << "--user" << q(f.user);
    args << "-c" << q(sql);
    QProcess quarlo;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QUARLO_PASSWORD", QString::fromStdString(f.password));
    quarlo.setProcessEnvironment(env);
    quarlo.start(QUARLO_BIN, args);
    EXPECT_TRUE(quarlo.waitForFinished(120000));
    EXPECT_EQ(quarlo.exitCode(), 0) << quarlo.readAllStandardError().toStdString();
    return quarlo.readAllStandardOutput().toStdString();
  }
};

INSTANTIATE_TEST_SUITE_P(Backends, DeskExport, ::testing::Values(Db::Sqlite, Db::Postgres),
                         BackendName);

TEST_P(DeskExport, EveryRowInEachFormatCancelHalfwayAndShortResult) {
  ASSERT_TRUE(desk_->LogIn(site_.Login(GetParam())));
  const std::string sql = Statement(GetParam());
  desk_->Run(sql);
  desk_->Trigger("NextPage");
  ASSERT_EQ(desk_->Cell(1, 0), "51") << desk_->Message();

  struct Row {
    const char* name;  // the file's name too
    int filter;
    const char* quarloFormat;
    std::string (*expected)(const std::string& quarloOut);
  };
  const Row rows[] = {
      {"CsvUtf8WithByteOrderMark.csv", 0, "csv",
       [](const std::string& out) { return "\xEF\xBB\xBF" + out; }},
      {"CsvInTheLegacyCodePage.csv", 1, "csv",
       [](const std::string& out) { return kokit::ToLegacy(out); }},
      {"Tsv.tsv", 2, "tsv", [](const std::string& out) { return out; }},
      {"JsonLines.jsonl", 3, "json", [](const std::string& out) { return out; }},
  };
  const auto dir = desk_->Files().path();
  for (const Row& r : rows) {
    const auto path = dir / r.name;
    std::string report;
    desk_->Answers().Expect(ExportTo(path, r.filter));
    desk_->Answers().Expect(PressButton(QMessageBox::Ok, &report));
    desk_->Trigger(r.filter % 2 ? "mnuFile_Export" : "mnuPopupMenu_Export");
    EXPECT_NE(report.find("已导出 10000 行"), std::string::npos) << r.name << ": " << report;
    const std::string expected = r.expected(Quarlo(r.quarloFormat, sql));
    EXPECT_TRUE(ReadWholeFile(path) == expected) << r.name;  // not printed: 400 KB each
  }

  // The grid and its page are as they were, and paging goes on from there.
  EXPECT_EQ(desk_->Cell(1, 0), "51");
  desk_->Trigger("NextPage");
  EXPECT_EQ(desk_->Cell(1, 0), "101");
  EXPECT_EQ(desk_->Panel("CurrPageNo"), "当前页：3");

  // A cancelled export over an existing file leaves it as it was, and no temporary file.
  const auto kept = dir / "kept.csv";
  std::ofstream(kept) << "kept";
  const auto filesBefore = std::distance(std::filesystem::directory_iterator(dir), {});
  desk_->Answers().Expect(ExportTo(kept, 0));
  desk_->Answers().Expect(PressButton(QMessageBox::Yes));  // replace the file?
  desk_->Answers().Expect(CancelAt(5000));
  desk_->Trigger("mnuFile_Export");
  EXPECT_EQ(ReadWholeFile(kept), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), filesBefore);
  desk_->Trigger("PrevPage");
  EXPECT_EQ(desk_->Cell(1, 0), "51");

  // A statement whose rows all came in its first answer is exported from the server's copy of
  // its rows, not run again.
  desk_->Run("create temp table exported_once(a integer)");
  desk_->Run("insert into exported_once values (1), (2) returning a");
  ASSERT_EQ(desk_->Cell(2, 1), "2") << desk_->Message();
  const auto path = dir / "once.csv";
  desk_->Answers().Expect(ExportTo(path, 0));
  desk_->Answers().Expect(PressButton(QMessageBox::Ok));
  desk_->Trigger("mnuFile_Export");
  EXPECT_EQ(ReadWholeFile(path),
            "\xEF\xBB\xBF"
            "a\r\n1\r\n2\r\n");
  desk_->Run("select count(*) as n from exported_once");
  EXPECT_EQ(desk_->Cell(1, 1), "2");
}

}  // namespace
}  // namespace quarlodesk::testing
