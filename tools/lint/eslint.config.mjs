// The page's script runs in the browser, the tests under node; both get
// eslint's recommended rules. Paths are from the top of the tree, where
// .ci/run's lint step runs eslint with this file.
import js from '@eslint/js';
import globals from 'globals';

export default [
    js.configs.recommended,
    {
        files: ['platform/web/**/*.js'],
        languageOptions: { sourceType: 'script', globals: { ...globals.browser } },
    },
    {
        files: ['platform/web/**/*.cjs'],
        languageOptions: { sourceType: 'commonjs', globals: { ...globals.node } },
    },
    // The tests hand functions to the page to run there (tab.evaluate), so
    // the page's names are theirs too.
    {
        files: ['tests/web/**/*.mjs'],
        languageOptions: { sourceType: 'module', globals: { ...globals.node, ...globals.browser } },
    },
    {
        files: ['tools/**/*.mjs'],
        languageOptions: { sourceType: 'module', globals: { ...globals.node } },
    },
];
