#!/usr/bin/env python3
"""Checks the shipped translations: every .ts file is complete (no unfinished, obsolete or empty message), each
translation keeps its source's placeholders, a text with %n is given a count, and the .ts files hold every text the
sources mark for translation (wendle_en.ts holds only the forms of texts that count).

check_translations.py LUPDATE SOURCE_DIR"""
import glob, os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r'%L?\d|%L?n')
# Languages whose first plural form is used for exactly one, so it may spell the number out ("One of them …").
ONE_IS_FIRST_FORM = ('en', 'de')


def problems_in(path):
    found = []
    language = ET.parse(path).getroot().get('language', '').split('_')[0]
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            source = message.findtext('source') or ''
            translation = message.find('translation')
            where = '%s: %s "%s"' % (os.path.basename(path), name, source[:60])
            if '%n' in source and message.get('numerus') != 'yes':
                found.append('%s has %%n but is not given a count' % where)
            kind = translation.get('type') if translation is not None else 'missing'
            if kind in ('unfinished', 'obsolete', 'vanished', 'missing'):
                found.append('%s is %s' % (where, kind))
                continue
            forms = [f.text or '' for f in translation.iter('numerusform')] or [translation.text or '']
            wanted = sorted(set(PLACEHOLDER.findall(source)))
            for index, form in enumerate(forms):
                kept = set(PLACEHOLDER.findall(form))
                if index == 0 and len(forms) > 1 and language in ONE_IS_FIRST_FORM:
                    kept |= {'%n'} & set(wanted)
                if not form.strip():
                    found.append('%s has an empty translation' % where)
                elif sorted(kept) != wanted:
                    found.append('%s: "%s" does not keep %s' % (where, form, ' '.join(wanted)))
    return found


def main():
    lupdate, source_dir = sys.argv[1], sys.argv[2]
    shipped = sorted(glob.glob(os.path.join(source_dir, 'translations', '*.ts')))
    if not shipped:
        sys.exit('no translations found')
    problems = []
    for path in shipped:
        problems += problems_in(path)
        # The texts in the sources now, gathered into a copy: anything new there is missing from the file.
        sources = [f for f in glob.glob(os.path.join(source_dir, 'src', '**', '*.[ch]*'), recursive=True)
                   if f.endswith(('.cpp', '.h')) and '/transfer/recover/' not in f]
        # The reminder agent is its own program with its own file; the recovery tool speaks English only.
        agent = os.path.basename(path).startswith('wendle-reminders_')
        sources = [f for f in sources if ('/reminders/agent/' in f) == agent]
        with tempfile.TemporaryDirectory() as scratch:
            copy = os.path.join(scratch, os.path.basename(path))
            shutil.copy(path, copy)
            plurals_only = ['-pluralonly'] if os.path.basename(path) == 'wendle_en.ts' else []
            subprocess.run([lupdate, '-silent', '-no-obsolete', '-locations', 'none'] + plurals_only + ['-I',
                            os.path.join(source_dir, 'src')] + sources + ['-ts', copy], check=True)
            problems += ['%s (run the update_translations target and translate it)' % p
                         for p in problems_in(copy) if p.endswith(' is unfinished')]
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


main()
