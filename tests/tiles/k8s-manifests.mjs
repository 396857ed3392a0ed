// Checks the Kubernetes manifests of deploy/k8s three ways and exits 1 on any
// fault:
//  - against the OpenAPI schemas of their kinds (types, enums, required
//    fields), through the validators of kubernetes-models;
//  - against the API's TypeScript types with excess properties refused, so a
//    misspelt or misplaced field fails as it does in `kubectl apply`;
//  - against what the deploy files promise: pods the restricted Pod Security
//    Standard admits, resources and a pull policy on every container, a
//    storage class, per-index retries that forgive evictions.
// Then it breaks a copy of the manifests in known ways and fails unless each
// break is caught, so a validator gone lax cannot pass unnoticed.
//
//   node k8s-manifests.mjs WORKDIR FILE.yaml[:COMPLETIONS]...
// WORKDIR holds node_modules; COMPLETIONS is the tile count FILE must carry.
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";
import ts from "typescript";
import { parseAllDocuments } from "yaml";
import { Job } from "kubernetes-models/batch/v1/Job";
import { PersistentVolumeClaim } from "kubernetes-models/v1/PersistentVolumeClaim";

// An object's desired state: its one key besides apiVersion, kind, metadata
// and status (a Job's, a claim's, a pod template's).
const state = (o) =>
    o?.[Object.keys(o ?? {}).find((k) => !["apiVersion", "kind", "metadata", "status"].includes(k))];


const kinds = {
    "batch/v1 Job": { model: Job, type: "IJob", from: "kubernetes-models/batch/v1/Job" },
    "v1 PersistentVolumeClaim": {
        model: PersistentVolumeClaim, type: "IPersistentVolumeClaim", from: "kubernetes-models/v1/PersistentVolumeClaim",
    },
};

function load(file) {
    const docs = [];
    for (const d of parseAllDocuments(readFileSync(file, "utf8"))) {
        if (d.errors.length) throw new Error(`${file}: ${d.errors[0].message}`);
        const value = d.toJS();
        if (value !== null) docs.push(value);
    }
    if (docs.length === 0) throw new Error(`${file}: no manifests`);
    return docs;
}

const label = (doc) => `${doc?.kind ?? "?"} ${doc?.metadata?.name ?? "?"}`;

function schemaProblems(doc) {
    const kind = kinds[`${doc?.apiVersion} ${doc?.kind}`];
    if (!kind) return [`${label(doc)}: ${doc?.apiVersion} ${doc?.kind} is not a kind these files use`];
    try {
        new kind.model(doc).validate();
        return [];
    } catch (e) {
        return [`${label(doc)}: ${e.message}`];
    }
}

function policyProblems(doc, completions) {
    const out = [];
    const say = (what) => out.push(`${label(doc)}: ${what}`);
    if (doc.kind === "PersistentVolumeClaim") {
        if (!state(doc)?.storageClassName) say("no storageClassName");
        if (!state(doc)?.accessModes?.includes("ReadWriteMany")) say("not ReadWriteMany");
        return out;
    }
    const pod = state(state(doc)?.template) ?? {};
    const psc = pod.securityContext ?? {};
    if (psc.seccompProfile?.type !== "RuntimeDefault") say("the pod's seccompProfile is not RuntimeDefault");
    for (const v of pod.volumes ?? []) if (v.hostPath) say(`volume ${v.name} is a hostPath`);
    for (const c of [...(pod.initContainers ?? []), ...(pod.containers ?? [])]) {
        const sc = c.securityContext ?? {};
        const who = `container ${c.name}`;
        if ((sc.runAsNonRoot ?? psc.runAsNonRoot) !== true) say(`${who} may run as root`);
        if ((sc.runAsUser ?? psc.runAsUser) === 0) say(`${who} runs as user 0`);
        if (sc.allowPrivilegeEscalation !== false) say(`${who} allows privilege escalation`);
        if (sc.privileged) say(`${who} is privileged`);
        if (!sc.capabilities?.drop?.includes("ALL")) say(`${who} keeps its capabilities`);
        if ((sc.capabilities?.add ?? []).some((a) => a !== "NET_BIND_SERVICE")) say(`${who} adds capabilities`);
        if (c.imagePullPolicy !== "IfNotPresent") say(`${who} has pull policy ${c.imagePullPolicy}`);
        const r = c.resources ?? {};
        if (!r.requests?.cpu || !r.requests?.memory || !r.limits?.memory) say(`${who} lacks cpu/memory requests or a memory limit`);
    }
    if (doc.metadata?.labels?.step === "tiles") {
        const s = state(doc);
        if (s.completionMode !== "Indexed") say("the tiles are not an Indexed Job");
        if (!(s.backoffLimitPerIndex >= 1)) say("no retries per index");
        const rules = s.podFailurePolicy?.rules ?? [];
        const names = new Set((pod.containers ?? []).map((c) => c.name));
        if (!rules.some((r) => r.action === "Ignore" && r.onPodConditions?.some((p) => p.type === "DisruptionTarget")))
            say("an evicted pod counts as a failure");
        if (!rules.some((r) => r.action === "Ignore" && r.onExitCodes?.operator === "In" &&
                               r.onExitCodes.values.includes(130) && names.has(r.onExitCodes.containerName)))
            say("a pod stopped by SIGTERM (exit 130) counts as a failure");
        if (completions !== undefined && s.completions !== completions)
            say(`completions ${s.completions}, not the tile count ${completions}`);
    }
    return out;
}

// One TypeScript program over every document of every set, each assigned to
// its kind's type: excess properties and wrong types come back as
// diagnostics, mapped to the document by line.
function typeProblems(sets, work) {
    const lines = [];
    const owner = [];
    for (const [k, kind] of Object.entries(kinds)) lines.push(`import type { ${kind.type} as T${Object.keys(kinds).indexOf(k)} } from "${kind.from}";`);
    sets.forEach((docs, s) =>
        docs.forEach((doc, d) => {
            const k = Object.keys(kinds).indexOf(`${doc?.apiVersion} ${doc?.kind}`);
            if (k < 0) return;
            const text = `export const doc_${s}_${d}: T${k} = ${JSON.stringify(doc, null, 1)};`.split("\n");
            for (const line of text) {
                lines.push(line);
                owner.push([s, d]);
            }
        }));
    const header = Object.keys(kinds).length;
    const file = path.join(work, "manifests-typed.ts");
    writeFileSync(file, lines.join("\n") + "\n");
    const program = ts.createProgram([file], {
        noEmit: true, strict: true, skipLibCheck: true, target: ts.ScriptTarget.ES2022,
        module: ts.ModuleKind.ESNext, moduleResolution: ts.ModuleResolutionKind.Bundler, types: [],
    });
    const found = sets.map(() => []);
    for (const dg of ts.getPreEmitDiagnostics(program)) {
        const message = ts.flattenDiagnosticMessageText(dg.messageText, " ");
        const line = dg.file && dg.start !== undefined ? dg.file.getLineAndCharacterOfPosition(dg.start).line : -1;
        if (line < header) throw new Error(`the types do not load: ${message}`);
        const [s, d] = owner[line - header];
        found[s].push(`${label(sets[s][d])}: ${message}`);
    }
    return found;
}

// Breaks that each layer must catch, applied to a copy of the first file.
const breaks = [
    ["a misspelt field", (docs) => { state(tilesJob(docs)).backoffLimitPerIndx = 2; }],
    ["a field one level too deep", (docs) => { state(state(tilesJob(docs)).template).containers[0].completions = 3; }],
    ["an unknown pull policy", (docs) => { state(state(tilesJob(docs)).template).containers[0].imagePullPolicy = "Sometimes"; }],
    ["a count as text", (docs) => { state(tilesJob(docs)).completions = "2750"; }],
    ["capabilities not a list", (docs) => { state(state(tilesJob(docs)).template).containers[0].securityContext.capabilities.drop = "ALL"; }],
    ["an unknown failure action", (docs) => { state(tilesJob(docs)).podFailurePolicy.rules[0].action = "Retry"; }],
    ["a pod that may run as root", (docs) => { delete state(state(docs.at(-1)).template).securityContext.runAsNonRoot; }],
    ["a container without resources", (docs) => { delete state(state(docs.at(-1)).template).containers[0].resources; }],
];
function tilesJob(docs) {
    const job = docs.find((d) => d.metadata?.labels?.step === "tiles");
    if (!job) throw new Error("no Job labelled step=tiles");
    return job;
}

const [work, ...files] = process.argv.slice(2);
if (!work || files.length === 0) {
    console.error("usage: node k8s-manifests.mjs WORKDIR FILE.yaml[:COMPLETIONS]...");
    process.exit(2);
}
try {
    const inputs = files.map((arg) => {
        const m = /^(.*?)(?::(\d+))?$/.exec(arg);
        return { file: m[1], completions: m[2] === undefined ? undefined : Number(m[2]) };
    });
    const sets = inputs.map((i) => load(i.file));
    const broken = breaks.map(([, apply]) => {
        const copy = structuredClone(sets[0]);
        apply(copy);
        return copy;
    });
    const typed = typeProblems([...sets, ...broken], work);
    let failed = false;
    inputs.forEach((input, k) => {
        const problems = [...typed[k]];
        for (const doc of sets[k]) problems.push(...schemaProblems(doc), ...policyProblems(doc, input.completions));
        for (const p of problems) console.error(`${input.file}: ${p}`);
        failed ||= problems.length > 0;
        console.log(`${input.file}: ${sets[k].length} manifests, ${problems.length} problems`);
    });
    breaks.forEach(([what], b) => {
        const docs = broken[b];
        const caught = typed[sets.length + b].length +
            docs.reduce((n, doc) => n + schemaProblems(doc).length + policyProblems(doc).length, 0);
        if (caught === 0) {
            console.error(`the checks let through ${what}`);
            failed = true;
        }
    });
    if (!failed) console.log(`all ${breaks.length} broken copies refused`);
    process.exit(failed ? 1 : 0);
} catch (e) {
    console.error(`k8s-manifests: ${e.message}`);
    process.exit(1);
}
