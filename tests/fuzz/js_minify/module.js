import { a } from "./a.js";
export default async function () { await /x y/.exec(a); }
