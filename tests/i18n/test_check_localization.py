"""The localization check on a small tree of its own: what fails, what --include-pending and --fold do."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../tools/check-localization")


def write(root, relative, text):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


class CheckLocalization(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        write(self.root, "src/Core/A.cpp",
              'QString a() { return L("a.title", QStringLiteral("Título")); }\n'
              'QString b() { return Localization::format(L(\n    "b.count", QStringLiteral("%lld sismos")), {n}); }\n')
        self.write_lookup("fromUtf8")
        write(self.root, "src/UI/V.qml",
              'Text { text: Localized.text("v.label", "Etiqueta") }\n'
              "Text { text: Localized.format('v.count', '%lld', [n]) }\n")
        self.table = {"en": {"a.title": "Title", "b.count": "%lld earthquakes", "v.label": "Label", "v.count": "%lld"},
                      "es": {"a.title": "Título", "b.count": "%lld sismos", "v.label": "Etiqueta", "v.count": "%lld"}}
        self.write_table(self.table)

    def write_lookup(self, conversion):
        write(self.root, "src/Core/Platform/Localization.h",
              "inline QString L(const char *key, const QString &defaultText)\n{\n"
              f"    return Localization::text(QString::{conversion}(key), defaultText);\n}}\n")

    def tearDown(self):
        self.dir.cleanup()

    def write_table(self, table, name="localizable.json"):
        write(self.root, f"resources/i18n/{name}", json.dumps(table, ensure_ascii=False))

    def run_script(self, *args):
        return subprocess.run([sys.executable, SCRIPT, "--root", self.root, *args], capture_output=True, text=True)

    def read_table(self):
        with open(os.path.join(self.root, "resources/i18n/localizable.json"), encoding="utf-8") as f:
            return f.read()

    def test_complete_tables_pass(self):
        result = self.run_script()
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_a_missing_entry_fails_and_names_the_key_and_place(self):
        del self.table["es"]["v.count"]
        self.write_table(self.table)
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("es: no text for 'v.count'", result.stderr)
        self.assertIn("src/UI/V.qml:2", result.stderr)

    def test_a_lost_placeholder_fails(self):
        self.table["es"]["b.count"] = "sismos"
        self.write_table(self.table)
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("'b.count'", result.stderr)

    def test_a_key_is_read_as_the_lookup_converts_it(self):
        # A Spanish sentence as its own key, in the table as text.
        write(self.root, "src/Core/B.cpp", 'QString c() { return L("Frecuencia autom\u00e1tica", QString()); }\n'
                                           'QString d() { return Localization::text(QLatin1String("ma\u00f1ana"), {}); }\n')
        for language in ("en", "es"):
            self.table[language].update({"Frecuencia autom\u00e1tica": "x", "ma\u00f1ana": "y"})
        self.write_table(self.table)
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0)  # Latin-1 from UTF-8 bytes garbles the second key
        self.assertIn("'ma\u00c3\u00b1ana'", result.stderr)
        self.assertNotIn("autom", result.stderr)

        write(self.root, "src/Core/B.cpp", 'QString c() { return L("Frecuencia autom\u00e1tica", QString()); }\n'
                                           'QString d() { return Localization::text(QStringLiteral("ma\u00f1ana"), {}); }\n')
        self.assertEqual(self.run_script().returncode, 0)
        self.write_lookup("fromLatin1")  # the lookup itself garbles every key beyond ASCII
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("'Frecuencia autom\u00c3\u00a1tica'", result.stderr)

    def test_pending_counts_only_when_asked_and_folds_in_sorted(self):
        write(self.root, "src/UI/W.qml", 'Text { text: Localized.text("w.new", "Nuevo") }\n')
        self.write_table({"en": {"w.new": "New"}, "es": {"w.new": "Nuevo"}}, "pending-branch.json")
        self.assertNotEqual(self.run_script().returncode, 0)
        result = self.run_script("--include-pending")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.exists(os.path.join(self.root, "resources/i18n/pending-branch.json")))

        result = self.run_script("--fold")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.root, "resources/i18n/pending-branch.json")))
        folded = self.read_table()
        self.assertEqual(json.loads(folded)["es"]["w.new"], "Nuevo")
        self.assertEqual(list(json.loads(folded)["en"]), sorted(json.loads(folded)["en"]))
        self.assertEqual(self.run_script().returncode, 0)
        # Folding again changes nothing: the formatting is stable.
        self.assertEqual(self.run_script("--fold").returncode, 0)
        self.assertEqual(self.read_table(), folded)

    def test_fold_refuses_a_differing_text(self):
        self.write_table({"es": {"a.title": "Otro título"}}, "pending-branch.json")
        before = self.read_table()
        result = self.run_script("--fold")
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(self.read_table(), before)
        self.assertTrue(os.path.exists(os.path.join(self.root, "resources/i18n/pending-branch.json")))


if __name__ == "__main__":
    unittest.main()
